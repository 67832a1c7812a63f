#include "childrun.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>

namespace childrun {

namespace {

qint64 PeakRssKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly))
    return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:"))
      return line.mid(6).trimmed().split(' ').value(0).toLongLong();
  }
  return 0;
}

// Processor time of this process so far, user and system, in microseconds.
qint64 CpuMicroseconds() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0)
    return 0;
  return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000 +
         usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

}  // namespace

TChildResult RunInChild(const std::function<QImage()>& call, int watchdogSeconds) {
  int fds[2];
  if (pipe(fds) != 0)
    return {};
  const pid_t pid = fork();
  if (pid == 0) {
    ::close(fds[0]);
    // Resets the peak to the current resident set (Linux 4.0 and later).
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
      clear.write("5");
    clear.close();
    const qint64 before = PeakRssKb();
    const qint64 cpuBefore = CpuMicroseconds();
    const QImage image = call();
    const qint64 cpu = CpuMicroseconds() - cpuBefore;
    qint64 message[5] = {image.isNull() ? 0 : 1, image.width(), image.height(),
                         (PeakRssKb() - before) / 1024, cpu};
    const ssize_t written = ::write(fds[1], message, sizeof message);
    _exit(written == sizeof message ? 0 : 1);
  }
  ::close(fds[1]);
  TChildResult result;
  int status = 0;
  bool exited = false;
  for (int waited = 0; waited < watchdogSeconds * 20 && pid > 0; ++waited) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      exited = true;
      break;
    }
    usleep(50 * 1000);
  }
  if (!exited && pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  qint64 message[5] = {};
  if (exited && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
      ::read(fds[0], message, sizeof message) == sizeof message) {
    result.Finished = true;
    result.GotBitmap = message[0] != 0;
    result.Size = QSize(int(message[1]), int(message[2]));
    result.PeakGrowthMb = message[3];
    result.CpuSeconds = double(message[4]) / 1e6;
  }
  ::close(fds[0]);
  return result;
}

}  // namespace childrun
