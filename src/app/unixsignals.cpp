#include "app/unixsignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

#include "common/errors.h"

namespace glimr {

namespace {

int gSignalFds[2] = {-1, -1};

// Only async-signal-safe work here: one byte down the pipe.
void OnSignal(int signalNumber) {
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  [[maybe_unused]] const ssize_t n = ::write(gSignalFds[0], &byte, 1);
}

}  // namespace

TUnixSignalWatcher::TUnixSignalWatcher(QObject* parent) : QObject(parent) {
  if (gSignalFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalFds) != 0) {
    return;
  }
  for (int fd : gSignalFds) {
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  notifier_ = new QSocketNotifier(gSignalFds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TUnixSignalWatcher::ReadSignal);
  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
}

TUnixSignalWatcher::~TUnixSignalWatcher() {
  if (!notifier_) {
    return;
  }
  struct sigaction sa = {};
  sa.sa_handler = SIG_DFL;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::close(gSignalFds[0]);
  ::close(gSignalFds[1]);
  gSignalFds[0] = gSignalFds[1] = -1;
}

void TUnixSignalWatcher::ReadSignal() {
  unsigned char byte = 0;
  while (::read(gSignalFds[1], &byte, 1) == 1) {
    Q_EMIT terminationRequested(byte);
  }
}

}  // namespace glimr
