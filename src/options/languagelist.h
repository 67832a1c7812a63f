#pragma once
// The languages the options dialog offers: "Default(English)" first, then
// every language file of the languages folder that names itself.

#include <QString>
#include <QStringList>

namespace glimr {

struct TLanguageItem {
  QString Description;  // the text shown in the list
  QString Path;         // the file's full path; empty for the built-in English
};

// The first item: the built-in English texts.
QString DefaultLanguageText();

// "Default(English)", then each "*.lng" file of folder (the extension in any
// case, sorted by name) whose "Options" section gives a non-empty
// "LangDesc". Files that cannot be read, folders and files without a
// description are left out; two files with one description are both listed.
QList<TLanguageItem> BuildLanguageList(const QString& folder);
// The same over several folders, the user's first: a file name already
// listed from an earlier folder is left out of the later ones, so a user's
// copy of a shipped language replaces it.
QList<TLanguageItem> BuildLanguageList(const QStringList& folders);

// The index of the item whose path is path (exact: file names are case
// sensitive here), 0 (the built-in English) when none is.
int LanguageIndexOf(const QList<TLanguageItem>& items, const QString& path);

// True when the file can be read and still names its language: a file that
// has vanished, lost its description or become unreadable since the list
// was filled is refused rather than half loaded.
bool LanguageFileUsable(const QString& path);

}  // namespace glimr
