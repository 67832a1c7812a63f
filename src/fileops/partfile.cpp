#include "fileops/partfile.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace glimr {

namespace {

Q_LOGGING_CATEGORY(lcPart, "glimr.fileops.part")

// The longest file name most Linux file systems take, in bytes.
constexpr int kNameMax = 255;
constexpr int kTokenLength = 16;
const char kPartSuffix[] = ".glimr-part";
// Tries at a free random name before giving up (a clash is already
// unlikely once).
constexpr int kNameTries = 16;

QString SystemMessage(int error) {
  return QString::fromStdString(std::error_code(error, std::generic_category()).message());
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Linking an anonymous file needs its /proc/self/fd path (the alternative,
// AT_EMPTY_PATH, needs a capability a user does not have).
bool ProcFdAvailable() {
  return ::access("/proc/self/fd", X_OK) == 0;
}

QByteArray ProcPath(int fd) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  return QByteArray(path);
}

QByteArray TemporaryName(const QByteArray& destinationName) {
  return QFile::encodeName(
      CopyTemporaryPath(QFile::decodeName(destinationName), CopyTemporaryToken()));
}

}  // namespace

QString CopyTemporaryPath(const QString& destination, const QString& token) {
  const qsizetype nameStart = destination.lastIndexOf(QLatin1Char('/')) + 1;
  QString name = destination.mid(nameStart);
  const QString tail = QLatin1Char('.') + token + QLatin1String(kPartSuffix);
  // A name near the limit would make the temporary name too long to create;
  // shorten it (it is only seen until the file is complete).
  const qsizetype room = kNameMax - 1 - QFile::encodeName(tail).size();
  while (!name.isEmpty() && QFile::encodeName(name).size() > room)
    name.chop(1);
  return destination.left(nameStart) + QLatin1Char('.') + name + tail;
}

QString CopyTemporaryToken() {
  return QStringLiteral("%1").arg(QRandomGenerator::system()->generate64(), kTokenLength, 16,
                                  QLatin1Char('0'));
}

bool IsCopyTemporaryName(const QByteArray& name) {
  const qsizetype suffix = static_cast<qsizetype>(sizeof kPartSuffix) - 1;
  // "." + at least one byte of name + "." + token + suffix.
  if (name.size() < 3 + kTokenLength + suffix || !name.startsWith('.') ||
      !name.endsWith(kPartSuffix))
    return false;
  const qsizetype tokenStart = name.size() - suffix - kTokenLength;
  if (name.at(tokenStart - 1) != '.')
    return false;
  for (qsizetype i = tokenStart; i < tokenStart + kTokenLength; ++i) {
    const char c = name.at(i);
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
      return false;
  }
  return true;
}

bool NameIsFile(int folderFd, const QByteArray& name, int fd) {
  struct stat named, open;
  return ::fstatat(folderFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(fd, &open) == 0 && SameFile(named, open);
}

int RemoveCopyLeftovers(int folderFd) {
  // A listing needs a descriptor opened for reading (folderFd may be an
  // O_PATH one); fdopendir takes it over. Without read permission nothing
  // can be listed, and nothing is cleared.
  const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0)
    return 0;
  DIR* dir = ::fdopendir(listFd);
  if (!dir) {
    ::close(listFd);
    return 0;
  }
  int removed = 0;
  const uid_t me = ::geteuid();
  while (const dirent* entry = ::readdir(dir)) {
    const QByteArray name(entry->d_name);
    if (!IsCopyTemporaryName(name))
      continue;
    struct stat st;
    if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode) || st.st_uid != me)
      continue;
    const int fd =
        ::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
      continue;
    // A copy still running holds its file's lock for as long as it runs.
    struct stat opened;
    if (::fstat(fd, &opened) == 0 && SameFile(st, opened) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        NameIsFile(folderFd, name, fd) && ::unlinkat(folderFd, name.constData(), 0) == 0) {
      ++removed;
      qCDebug(lcPart) << "removed the leftover of a stopped copy:" << name;
    }
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

TPartFile::~TPartFile() {
  Discard();
  if (fd_ >= 0)
    ::close(fd_);
}

int TPartFile::Open(int folderFd, const QByteArray& destinationName, bool anonymous) {
  folder_ = folderFd;
  if (anonymous && ProcFdAvailable()) {
    // Nobody can open, replace or delete a file without a name: it takes
    // one only when it is complete.
    const int fd = ::openat(folderFd, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0600);
    if (fd >= 0) {
      fd_ = fd;
      anonymous_ = true;
      return 0;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR)
      return errno;
  }
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    const QByteArray name = TemporaryName(destinationName);
    const int fd = ::openat(folderFd, name.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST)
        continue;
      return errno;
    }
    // The lock tells another run's clean-up that this file is in use. Should
    // a clean-up have taken the name between the open and the lock, start
    // again under another one.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && NameIsFile(folderFd, name, fd)) {
      fd_ = fd;
      name_ = name;
      return 0;
    }
    ::close(fd);
  }
  return EEXIST;
}

int TPartFile::LinkUnderTemporaryName(const QByteArray& destinationName) {
  // Locked before it has a name, so that no clean-up takes it meanwhile.
  if (::flock(fd_, LOCK_EX) != 0)
    return errno;
  const QByteArray proc = ProcPath(fd_);
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    const QByteArray name = TemporaryName(destinationName);
    if (::linkat(AT_FDCWD, proc.constData(), folder_, name.constData(), AT_SYMLINK_FOLLOW) == 0) {
      name_ = name;
      return 0;
    }
    if (errno != EEXIST)
      return errno;
  }
  return EEXIST;
}

QString TPartFile::Place(const QByteArray& destinationName, bool replace) {
  if (placed_ || fd_ < 0)
    return SystemMessage(EBADF);
  const char* destination = destinationName.constData();
  if (anonymous_ && name_.isEmpty()) {
    if (!replace) {
      // A link never replaces: EEXIST leaves whatever took the name alone.
      if (::linkat(AT_FDCWD, ProcPath(fd_).constData(), folder_, destination, AT_SYMLINK_FOLLOW) !=
          0)
        return SystemMessage(errno);
      placed_ = true;
      return {};
    }
    // Replacing takes a rename, and a rename needs a name to start from.
    if (const int error = LinkUnderTemporaryName(destinationName))
      return SystemMessage(error);
  }
  if (!NameIsFile(folder_, name_, fd_))
    return QStringLiteral("its temporary file was removed or replaced by another program");
  if (::renameat2(folder_, name_.constData(), folder_, destination,
                  replace ? 0u : RENAME_NOREPLACE) == 0) {
    placed_ = true;
    name_.clear();
    return {};
  }
  if (replace || (errno != EINVAL && errno != ENOSYS))
    return SystemMessage(errno);
  // Some file systems do not know RENAME_NOREPLACE; a hard link does not
  // replace either, and where there are none, look first.
  if (::linkat(folder_, name_.constData(), folder_, destination, 0) != 0) {
    if (errno == EEXIST)
      return SystemMessage(EEXIST);
    struct stat st;
    if (::fstatat(folder_, destination, &st, AT_SYMLINK_NOFOLLOW) == 0)
      return SystemMessage(EEXIST);
    if (::renameat(folder_, name_.constData(), folder_, destination) != 0)
      return SystemMessage(errno);
    placed_ = true;
    name_.clear();
    return {};
  }
  placed_ = true;
  Discard();
  return {};
}

void TPartFile::Discard() {
  // After placing, only a second name (the hard link's source) may be left.
  if (!name_.isEmpty() && fd_ >= 0 && NameIsFile(folder_, name_, fd_))
    ::unlinkat(folder_, name_.constData(), 0);
  name_.clear();
}

}  // namespace glimr
