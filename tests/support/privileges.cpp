#include "support/privileges.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace glimr::test {
namespace {

// Set in the child's environment; the child drops the capabilities instead
// of starting another child.
constexpr char kChildVariable[] = "GLIMR_TEST_WITHOUT_FILE_CAPABILITIES";
constexpr std::uint32_t kFileCapabilities = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool ReadCapabilities(__user_cap_header_struct& header, __user_cap_data_struct (&data)[2]) {
  header = {_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(SYS_capget, &header, data) == 0;
}

bool DropFromThisThread() {
  __user_cap_header_struct header;
  __user_cap_data_struct data[2] = {};
  if (!ReadCapabilities(header, data)) {
    return false;
  }
  data[0].effective &= ~kFileCapabilities;
  data[0].permitted &= ~kFileCapabilities;
  data[0].inheritable &= ~kFileCapabilities;
  return syscall(SYS_capset, &header, data) == 0;
}

// Runs this test program again for one test function, with the child
// variable set, and collects what it prints. A plain fork and exec: the child
// calls nothing but dup2, execve and _exit, so it is safe in a process with
// threads, and the sanitizers' fork handling sees it (QProcess's vfork-like
// start confuses ThreadSanitizer).
TFileCapabilities RunChild(const QString& function, QString* childLog) {
  const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
  const QByteArray argument = function.toLocal8Bit();
  std::vector<QByteArray> environment;
  for (char** e = environ; *e; ++e) {
    environment.emplace_back(*e);
  }
  environment.emplace_back(QByteArray(kChildVariable) + "=1");
  std::vector<char*> envp;
  for (QByteArray& e : environment) {
    envp.push_back(e.data());
  }
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(argument.constData()),
                  nullptr};
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    *childLog = QStringLiteral("pipe: ") + QString::fromLocal8Bit(strerror(errno));
    return TFileCapabilities::ChildFailed;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(out[1], STDERR_FILENO);
    execve(argv[0], argv, envp.data());
    _exit(127);
  }
  close(out[1]);
  if (pid < 0) {
    close(out[0]);
    *childLog = QStringLiteral("fork: ") + QString::fromLocal8Bit(strerror(errno));
    return TFileCapabilities::ChildFailed;
  }
  QByteArray output;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n > 0) {
      output.append(buffer, n);
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  *childLog = QString::fromLocal8Bit(output);
  const bool passed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return passed ? TFileCapabilities::ChildPassed : TFileCapabilities::ChildFailed;
}

}  // namespace

bool HoldsFileCapabilities() {
  __user_cap_header_struct header;
  __user_cap_data_struct data[2] = {};
  return ReadCapabilities(header, data) && (data[0].effective & kFileCapabilities) != 0;
}

TFileCapabilities WithoutFileCapabilities(QString* childLog) {
  if (qEnvironmentVariableIsSet(kChildVariable)) {
    if (!DropFromThisThread() || HoldsFileCapabilities()) {
      *childLog = QStringLiteral("the child could not drop its file capabilities");
      return TFileCapabilities::ChildFailed;
    }
    return TFileCapabilities::Absent;
  }
  if (!HoldsFileCapabilities()) {
    return TFileCapabilities::Absent;
  }
  QString function = QString::fromLatin1(QTest::currentTestFunction());
  if (const char* tag = QTest::currentDataTag()) {
    function += QLatin1Char(':') + QString::fromLocal8Bit(tag);
  }
  return RunChild(function, childLog);
}

}  // namespace glimr::test

// The tests exist to catch broken invariants; a build that compiles the
// assertions out would hide them.
#if defined(NDEBUG) && !defined(GLIMR_TESTS_WITHOUT_ASSERTS)
#error "test programs are built with assertions on (GLIMR_ASSERTS)"
#endif
