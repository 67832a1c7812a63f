#pragma once
// Replaces a file's content in one step: the bytes go to a temporary file
// beside it, which is renamed over the old one only once every byte has
// reached the disk. The settings store, the INI writer and the log share it.

#include <QByteArray>
#include <QString>

namespace glimr {

// Creates the file's folder when missing. On any failure (folder, open,
// write, flush, sync, rename) returns false, fills error when given and
// leaves the old file as it was.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace glimr
