#include "fileops/copyengine.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "fileops/partfile.h"

namespace glimr {

namespace {

Q_LOGGING_CATEGORY(lcCopy, "glimr.fileops.copy")

// Buffer of the read and write fallback; small enough to stay in the CPU's
// cache, which copies faster than a larger one.
constexpr std::size_t kBufferSize = 128 * 1024;

QByteArray Native(const QString& path) {
  return QFile::encodeName(path);
}

QString SystemMessage(int error) {
  return QString::fromStdString(std::error_code(error, std::generic_category()).message());
}

int Percent(std::int64_t part, std::int64_t whole) {
  if (whole <= 0 || part <= 0)
    return 0;
  const double p = std::round(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
  return static_cast<int>(std::clamp(p, 0.0, 100.0));
}

// Closes a descriptor at scope end unless released.
class TFd {
 public:
  explicit TFd(int fd = -1) : fd_(fd) {}
  ~TFd() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the close's own error (a delayed write error on
  // some file systems shows only here).
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

ssize_t ReadSome(int fd, char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, data, size);
    if (n >= 0 || errno != EINTR)
      return n;
  }
}

int RenameFile(const QByteArray& from, const QByteArray& to, bool replace) {
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(),
                  replace ? 0u : RENAME_NOREPLACE) == 0)
    return 0;
  // Some file systems do not know RENAME_NOREPLACE; look first instead.
  if (replace || (errno != EINVAL && errno != ENOSYS))
    return -1;
  struct stat st;
  if (::lstat(to.constData(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from.constData(), to.constData());
}

// sendfile() is refused for descriptors that cannot splice (some FUSE and
// special file systems); the copy then goes on through a buffer.
bool SpliceUnsupported(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EAGAIN;
}

// Errors of an in-kernel copy that come from the destination refusing data,
// so that the message names the right file.
bool WriteSideError(int error) {
  return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EROFS;
}

// The text of a symbolic link; empty (errno set) when it cannot be read.
QByteArray ReadLink(const QByteArray& path) {
  QByteArray text(PATH_MAX, Qt::Uninitialized);
  const ssize_t n =
      ::readlink(path.constData(), text.data(), static_cast<std::size_t>(text.size()));
  if (n <= 0 || n >= text.size()) {
    if (n >= 0)
      errno = ENAMETOOLONG;
    return {};
  }
  text.truncate(n);
  return text;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

TOverwritePolicy PolicyOf(TOverwriteAnswer answer) {
  switch (answer) {
    case TOverwriteAnswer::Overwrite:
      return TOverwritePolicy::Overwrite;
    case TOverwriteAnswer::AutoRename:
      return TOverwritePolicy::AutoRename;
    case TOverwriteAnswer::Skip:
    case TOverwriteAnswer::Cancel:
      break;
  }
  return TOverwritePolicy::Skip;
}

}  // namespace

TCopyProgress ComputeCopyProgress(const TCopyCounters& counters, std::chrono::nanoseconds elapsed) {
  TCopyProgress p;
  p.Counters = counters;
  const std::int64_t done = counters.FinishedBytes + counters.FileCopied;
  p.ElapsedSeconds = std::max(0.0, std::chrono::duration<double>(elapsed).count());
  p.FilePercent = Percent(counters.FileCopied, counters.FileSize);
  p.TotalPercent = Percent(done, counters.TotalBytes);
  if (p.ElapsedSeconds > 0 && done > 0) {
    p.BytesPerSecond = static_cast<double>(done) / p.ElapsedSeconds;
    const std::int64_t left = std::max<std::int64_t>(0, counters.TotalBytes - done);
    p.SecondsLeft = static_cast<double>(left) / p.BytesPerSecond;
  }
  return p;
}

QString AutoRenamePath(const QString& path, const std::function<bool(const QString&)>& exists) {
  const auto taken = [&exists](const QString& candidate) {
    if (exists)
      return exists(candidate);
    struct stat st;
    // lstat: a dangling link still holds the name.
    return ::lstat(Native(candidate).constData(), &st) == 0 || errno != ENOENT;
  };
  const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  const qsizetype extStart = dot > nameStart ? dot : path.size();
  const QString base = path.left(extStart);
  const QString ext = path.mid(extStart);
  for (qint64 k = 0;; ++k) {
    const QString candidate = base + QLatin1Char('(') + QString::number(k) + QLatin1Char(')') + ext;
    if (!taken(candidate))
      return candidate;
  }
}

TCopyEngine::TCopyEngine(std::vector<TCopyEntry> entries, const QString& destinationFolder,
                         TOverwritePolicy policy, TCopyHooks hooks)
    : entries_(std::move(entries)),
      folder_(destinationFolder),
      policy_(policy),
      hooks_(std::move(hooks)) {
  if (!folder_.endsWith(QLatin1Char('/')))
    folder_ += QLatin1Char('/');
  results_.resize(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i)
    results_[i].Source = entries_[i].Source;
}

TCopyProgress TCopyEngine::Progress() const {
  TCopyCounters c;
  c.TotalBytes = totalBytes_.load();
  c.FinishedBytes = finishedBytes_.load();
  c.FileSize = fileSize_.load();
  c.FileCopied = fileCopied_.load();
  c.FilesDone = filesDone_.load();
  c.FilesTotal = static_cast<int>(entries_.size());
  const auto start = std::chrono::steady_clock::time_point(
      std::chrono::steady_clock::duration(startTicks_.load()));
  TCopyProgress p = ComputeCopyProgress(c, std::chrono::steady_clock::now() - start);
  std::lock_guard lock(currentMutex_);
  p.CurrentFile = current_;
  return p;
}

void TCopyEngine::Run() {
  startTicks_.store(std::chrono::steady_clock::now().time_since_epoch().count());
  std::int64_t total = 0;
  for (const TCopyEntry& e : entries_) {
    struct stat st;
    if (::stat(Native(e.Source).constData(), &st) == 0 && S_ISREG(st.st_mode))
      total += st.st_size;
  }
  totalBytes_.store(total);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (cancel_.load() || RunEntry(i) == TStep::Stop)
      break;
  }
  buffer_.clear();
  buffer_.shrink_to_fit();
  if (folderFd_ >= 0) {
    ::close(folderFd_);
    folderFd_ = -1;
  }
}

TCopyEngine::~TCopyEngine() {
  if (folderFd_ >= 0)
    ::close(folderFd_);
}

void TCopyEngine::StartFile(const QString& source, std::int64_t size) {
  {
    std::lock_guard lock(currentMutex_);
    current_ = source;
  }
  fileSize_.store(size);
  fileCopied_.store(0);
  Report();
}

void TCopyEngine::FinishFile(std::size_t index, std::int64_t size) {
  finishedBytes_.fetch_add(size);
  fileSize_.store(0);
  fileCopied_.store(0);
  filesDone_.fetch_add(1);
  if (hooks_.FileDone)
    hooks_.FileDone(index, results_[index]);
}

void TCopyEngine::Report() {
  if (hooks_.Progress)
    hooks_.Progress(Progress());
}

TCopyEngine::TStep TCopyEngine::Fail(TCopyResult& result, const QString& path, int error) {
  return Fail(result, path, SystemMessage(error));
}

TCopyEngine::TStep TCopyEngine::Fail(TCopyResult& result, const QString& path,
                                     const QString& message) {
  result.Outcome = TCopyOutcome::Failed;
  result.Error = path + QStringLiteral(": ") + message;
  error_ = result.Error;
  qCWarning(lcCopy) << "copy failed:" << error_;
  return TStep::Stop;
}

TOverwriteAnswer TCopyEngine::AskOverwrite(const QString& destination, const QString& source) {
  switch (policy_) {
    case TOverwritePolicy::AutoRename:
      return TOverwriteAnswer::AutoRename;
    case TOverwritePolicy::Overwrite:
      return TOverwriteAnswer::Overwrite;
    case TOverwritePolicy::Skip:
      return TOverwriteAnswer::Skip;
    case TOverwritePolicy::Ask:
      break;
  }
  if (!hooks_.AskOverwrite)
    return TOverwriteAnswer::Skip;
  const TOverwriteReply reply = hooks_.AskOverwrite(destination, source);
  if (reply.DontAskAgain && reply.Answer != TOverwriteAnswer::Cancel)
    policy_ = PolicyOf(reply.Answer);
  return reply.Answer;
}

TCopyEngine::TStep TCopyEngine::RunEntry(std::size_t index) {
  const TCopyEntry& entry = entries_[index];
  TCopyResult& result = results_[index];
  announced_ = false;
  const QString name = entry.Source.mid(entry.Source.lastIndexOf(QLatin1Char('/')) + 1);
  result.Destination = folder_ + name;
  const QByteArray source = Native(entry.Source);

  struct stat src;
  if (::stat(source.constData(), &src) != 0) {
    if (errno != ENOENT && errno != ENOTDIR)
      return Fail(result, entry.Source, errno);
    result.Outcome = TCopyOutcome::SkippedMissing;
    FinishFile(index, 0);
    return TStep::Next;
  }
  if (!S_ISREG(src.st_mode))
    return Fail(result, entry.Source, QStringLiteral("not a regular file"));
  // A moved symbolic link moves as a link: its target is never copied,
  // moved or deleted.
  struct stat link;
  QByteArray linkTarget;
  if (entry.Move && ::lstat(source.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
    linkTarget = ReadLink(source);
    if (linkTarget.isEmpty())
      return Fail(result, entry.Source, errno);
  }
  StartFile(entry.Source, src.st_size);

  bool overwrite = false;
  struct stat dst;
  if (::lstat(Native(result.Destination).constData(), &dst) == 0) {
    // The destination may be the source itself under another path (a link
    // to the folder, a hard link, the target of a moved link): compare the
    // files, not the names.
    struct stat target;
    const bool same =
        ::stat(Native(result.Destination).constData(), &target) == 0 && SameFile(target, src);
    const TOverwriteAnswer answer = AskOverwrite(result.Destination, entry.Source);
    if (answer == TOverwriteAnswer::Cancel || cancel_.load()) {
      cancel_.store(true);
      result.Outcome = TCopyOutcome::Cancelled;
      return TStep::Stop;
    }
    if (same || answer == TOverwriteAnswer::Skip) {
      result.Outcome = same ? TCopyOutcome::SkippedSameFile : TCopyOutcome::Skipped;
      FinishFile(index, src.st_size);
      return TStep::Next;
    }
    if (answer == TOverwriteAnswer::AutoRename) {
      result.Destination = AutoRenamePath(result.Destination);
      result.Renamed = true;
    } else {
      overwrite = true;
    }
  }

  TStep step = TStep::Next;
  bool copy = true;
  if (!linkTarget.isEmpty()) {
    step = MoveLink(index, linkTarget, link, overwrite);
    copy = false;
  } else if (entry.Move) {
    // Within one file system a rename moves the file whole at once; it
    // replaces an existing destination only when the answer was Overwrite.
    // Across file systems the rename cannot work: the file is copied, and
    // the catalog hears of it only when the copy is complete.
    const int folder = FolderFd();
    struct stat there;
    if (folder < 0 || ::fstat(folder, &there) != 0)
      return Fail(result, folder_, errno);
    if (there.st_dev == src.st_dev) {
      Announce(index, overwrite);
      if (RenameFile(source, Native(result.Destination), overwrite) == 0) {
        result.Outcome = TCopyOutcome::Moved;
        StepDone(index, TCopyStep::Placed);
      } else if (errno != EXDEV) {
        step = Fail(result, entry.Source, errno);
      }
      copy = result.Outcome == TCopyOutcome::NotReached;
    }
  }
  if (copy)
    step = CopyFile(index, overwrite);
  if (result.Outcome == TCopyOutcome::Copied || result.Outcome == TCopyOutcome::Moved) {
    result.Overwrote = overwrite;
    FinishFile(index, src.st_size);
  } else if (hooks_.FileDone) {
    hooks_.FileDone(index, result);
  }
  return step;
}

int TCopyEngine::FolderFd() {
  if (folderFd_ < 0) {
    // O_PATH: placing files needs only write and search permission on the
    // folder, as a rename did, not read permission.
    folderFd_ = ::open(Native(folder_).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    // Temporary files of runs that were killed are cleared when a run
    // first writes into their folder.
    if (folderFd_ >= 0)
      RemoveCopyLeftovers(folderFd_);
  }
  return folderFd_;
}

void TCopyEngine::Announce(std::size_t index, bool overwrite) {
  if (announced_)
    return;
  announced_ = true;
  if (hooks_.BeforePlace) {
    TCopyResult planned = results_[index];
    planned.Placing = true;
    planned.Overwrote = overwrite;
    hooks_.BeforePlace(index, planned);
  }
  StepDone(index, TCopyStep::BeforePlace);
}

void TCopyEngine::StepDone(std::size_t index, TCopyStep step) {
  if (hooks_.Step)
    hooks_.Step(index, step);
}

TCopyEngine::TStep TCopyEngine::RemoveMovedSource(std::size_t index, const struct stat& expected) {
  const TCopyEntry& entry = entries_[index];
  TCopyResult& result = results_[index];
  const qsizetype nameStart = entry.Source.lastIndexOf(QLatin1Char('/')) + 1;
  const QByteArray name = Native(entry.Source.mid(nameStart));
  // The source goes only while its name still holds the file that was
  // moved: another program may have put a new file there meanwhile.
  TFd folder(
      ::open(Native(entry.Source.left(nameStart)).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  QString error;
  struct stat now;
  if (folder.get() < 0) {
    error = SystemMessage(errno);
  } else if (::fstatat(folder.get(), name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
             !SameFile(now, expected)) {
    error = QStringLiteral("it was replaced or removed while it was moved");
  } else if (::unlinkat(folder.get(), name.constData(), 0) != 0) {
    error = SystemMessage(errno);
  }
  if (!error.isEmpty()) {
    // The copy is complete and in place; the source stays. Report the copy
    // (the caller must know the new file) and stop.
    result.Outcome = TCopyOutcome::Copied;
    result.Error = entry.Source + QStringLiteral(": ") + error;
    error_ = result.Error;
    return TStep::Stop;
  }
  result.Outcome = TCopyOutcome::Moved;
  StepDone(index, TCopyStep::SourceRemoved);
  return TStep::Next;
}

TCopyEngine::TStep TCopyEngine::MoveLink(std::size_t index, const QByteArray& target,
                                         const struct stat& link, bool overwrite) {
  const TCopyEntry& entry = entries_[index];
  TCopyResult& result = results_[index];
  const QByteArray source = Native(entry.Source);
  const QByteArray sourceFolder =
      Native(entry.Source.left(entry.Source.lastIndexOf(QLatin1Char('/')) + 1));
  // A relative link keeps its text only when, read from the destination
  // folder, it still reaches the same file; otherwise the new link names its
  // target by the absolute path it had from the old place.
  bool keep = target.startsWith('/');
  if (!keep) {
    struct stat from, there;
    keep = ::stat(source.constData(), &from) == 0 &&
           ::stat((Native(folder_) + target).constData(), &there) == 0 && SameFile(from, there);
  }
  const int folder = FolderFd();
  if (folder < 0)
    return Fail(result, folder_, errno);
  Announce(index, overwrite);
  if (keep) {
    if (RenameFile(source, Native(result.Destination), overwrite) == 0) {
      result.Outcome = TCopyOutcome::Moved;
      StepDone(index, TCopyStep::Placed);
      return TStep::Next;
    }
    if (errno != EXDEV)
      return Fail(result, entry.Source, errno);
  }
  // A new link at the destination (across file systems too, where a rename
  // cannot go), then the old one is removed.
  const QByteArray text = keep ? target : sourceFolder + target;
  const QByteArray name = Native(result.Destination.mid(folder_.size()));
  if (!overwrite) {
    if (::symlinkat(text.constData(), folder, name.constData()) != 0)
      return Fail(result, result.Destination, errno);
  } else {
    QByteArray temp;
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
      temp =
          Native(CopyTemporaryPath(result.Destination, CopyTemporaryToken()).mid(folder_.size()));
      error = ::symlinkat(text.constData(), folder, temp.constData()) == 0 ? 0 : errno;
    }
    if (error != 0)
      return Fail(result, result.Destination, error);
    if (::renameat(folder, temp.constData(), folder, name.constData()) != 0) {
      error = errno;
      ::unlinkat(folder, temp.constData(), 0);
      return Fail(result, result.Destination, error);
    }
  }
  StepDone(index, TCopyStep::Placed);
  return RemoveMovedSource(index, link);
}

TCopyEngine::TStep TCopyEngine::CopyFile(std::size_t index, bool overwrite) {
  const TCopyEntry& entry = entries_[index];
  TCopyResult& result = results_[index];
  const QByteArray source = Native(entry.Source);

  // O_NONBLOCK keeps a FIFO or device from blocking the open; it is refused
  // below as not a regular file.
  TFd in(::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0)
    return Fail(result, entry.Source, errno);
  struct stat src;
  if (::fstat(in.get(), &src) != 0)
    return Fail(result, entry.Source, errno);
  if (!S_ISREG(src.st_mode))
    return Fail(result, entry.Source, QStringLiteral("not a regular file"));
  ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  const int folder = FolderFd();
  if (folder < 0)
    return Fail(result, folder_, errno);
  const QByteArray name = Native(result.Destination.mid(folder_.size()));
  // The copy goes into a file of its own that no other run can touch; it
  // is removed when this function leaves without placing it.
  TPartFile part;
  if (const int error = part.Open(folder, name, anonymous_))
    return Fail(result, result.Destination, error);
  const int out = part.Fd();

  // sendfile() copies inside the kernel: one copy from the source's page
  // cache to the destination's instead of two through a buffer, and never a
  // shared-extent clone (copy_file_range may clone on btrfs or XFS).
  bool splice = true;
  std::int64_t copied = 0;
  for (;;) {
    ssize_t n = 0;
    if (splice) {
      n = ::sendfile(out, in.get(), nullptr, static_cast<std::size_t>(kChunkSize));
      if (n < 0) {
        const int error = errno;
        if (error == EINTR)
          continue;
        if (SpliceUnsupported(error)) {
          splice = false;
          continue;
        }
        const QString& path = WriteSideError(error) ? result.Destination : entry.Source;
        return Fail(result, path, error);
      }
    } else {
      if (buffer_.empty())
        buffer_.resize(kBufferSize);
      n = ReadSome(in.get(), buffer_.data(), buffer_.size());
      if (n < 0)
        return Fail(result, entry.Source, errno);
      if (n > 0 && !WriteAll(out, buffer_.data(), static_cast<std::size_t>(n)))
        return Fail(result, result.Destination, errno);
    }
    if (n == 0)
      break;
    copied += n;
    fileCopied_.store(copied);
    Report();
    if (cancel_.load()) {
      result.Outcome = TCopyOutcome::Cancelled;
      return TStep::Stop;
    }
  }

  struct stat now;
  if (::fstat(in.get(), &now) != 0)
    return Fail(result, entry.Source, errno);
  if (now.st_size != copied)
    return Fail(result, entry.Source, QStringLiteral("the file changed while it was copied"));
  struct stat written;
  if (::fstat(out, &written) != 0)
    return Fail(result, result.Destination, errno);
  if (written.st_size != copied)
    return Fail(result, result.Destination, QStringLiteral("the copy is incomplete"));

  // The file was made private (0600) while incomplete; it gets the source's
  // permissions and times before it takes its name.
  const struct timespec times[2] = {src.st_atim, src.st_mtim};
  if (::fchmod(out, src.st_mode & 0777) != 0 || ::futimens(out, times) != 0)
    return Fail(result, result.Destination, errno);
  // A move deletes its source next, so the copy must be on the disk first.
  if (entry.Move && ::fsync(out) != 0)
    return Fail(result, result.Destination, errno);
  {
    // Some file systems report a delayed write error only when a descriptor
    // is closed; closing a duplicate asks the same while the file stays open
    // (and locked) until it is placed.
    TFd probe(::fcntl(out, F_DUPFD_CLOEXEC, 0));
    if (probe.get() < 0 || probe.Close() != 0)
      return Fail(result, result.Destination, errno);
  }
  if (entry.Move)
    Announce(index, overwrite);
  const QString placeError = part.Place(name, overwrite);
  if (!placeError.isEmpty())
    return Fail(result, result.Destination, placeError);

  if (!entry.Move) {
    result.Outcome = TCopyOutcome::Copied;
    return TStep::Next;
  }
  StepDone(index, TCopyStep::Placed);
  // The new name must be durable before the source goes.
  TFd durable(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (durable.get() >= 0)
    ::fsync(durable.get());
  return RemoveMovedSource(index, src);
}

TCopyThread::~TCopyThread() {
  if (thread_.joinable()) {
    engine_.Cancel();
    thread_.join();
  }
}

void TCopyThread::Start(std::function<void()> onEnd) {
  if (thread_.joinable())
    return;
  finished_.store(false);
  thread_ = std::thread([this, onEnd = std::move(onEnd)] {
    engine_.Run();
    if (onEnd)
      onEnd();
    finished_.store(true);
  });
}

void TCopyThread::Join() {
  if (thread_.joinable())
    thread_.join();
}

}  // namespace glimr
