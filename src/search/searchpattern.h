#pragma once
// The texts a search derives from the user's input: the LIKE pattern the
// catalog query filters with, the name mask every candidate is judged by,
// and the folder list with duplicates and nested folders taken out.

#include <QString>
#include <QStringList>

namespace glimr {

// "*" + name text + "*": the one judge of a name, on disk and in the catalog.
QString SearchNameMask(const QString& nameText);

// A LIKE pattern (escape character "\") that every name the mask accepts
// also satisfies, so the query only narrows the rows the mask then judges:
// "*" becomes "%", "?" and a "[...]" set become "_", "%", "_" and "\" are
// escaped, and a character the engine's LIKE compares differently from the
// mask (any non-ASCII one, and "I" and "S", which "ı" and "ſ" fold to) also
// becomes "_". A "%" is added at each end unless already there; "" gives "%".
QString SearchLikePattern(const QString& nameText);

// The listed folders, each ending with "/", cleaned ("/a/./b" is "/a/b/"),
// each once, sorted; with subdirectories a folder inside another listed one
// is dropped (it is searched as part of it). Paths compare case-sensitively,
// as the file system does: /a/Photos/ and /a/photos/ stay two folders.
QStringList SearchFolderList(const QStringList& folders, bool subdirectories);

}  // namespace glimr
