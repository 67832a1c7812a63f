#include "common/filewrite.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace glimr {

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
  const auto fail = [error](const QString& text) {
    if (error) {
      *error = text.isEmpty() ? QStringLiteral("unknown write error") : text;
    }
    return false;
  };
  const QString dir = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(dir)) {
    return fail(QStringLiteral("cannot create folder %1").arg(dir));
  }
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) {
    return fail(f.errorString());
  }
  if (f.write(bytes) != bytes.size()) {
    const QString text = f.errorString();
    f.cancelWriting();
    return fail(text);
  }
  // A short text sits in the device's buffer until commit() flushes it, and
  // commit() renames the temporary file even when that flush fails (a full
  // disk then replaces the old file with an empty one). Flush and sync here,
  // where a failure can still keep the old file.
  if (!f.flush()) {
    const QString text = f.errorString();
    f.cancelWriting();
    return fail(text);
  }
  // Delayed allocation may report a full disk only when the data is synced.
  // A file system that cannot sync (EINVAL) has nothing more to report.
  if (::fsync(f.handle()) != 0 && errno != EINVAL) {
    const QString text = QString::fromLocal8Bit(std::strerror(errno));
    f.cancelWriting();
    return fail(text);
  }
  if (!f.commit()) {
    return fail(f.errorString());
  }
  return true;
}

}  // namespace glimr
