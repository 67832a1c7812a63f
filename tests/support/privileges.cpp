#include "support/privileges.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

namespace glimr::test {
namespace {

// Set in the child's environment; the child drops the capabilities instead
// of starting another child.
constexpr char kChildVariable[] = "GLIMR_TEST_WITHOUT_FILE_CAPABILITIES";
constexpr std::uint32_t kFileCapabilities =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

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
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(), {function});
  const bool ended = child.waitForFinished(120'000);
  *childLog = QString::fromLocal8Bit(child.readAll());
  if (!ended) {
    child.kill();
    child.waitForFinished();
    childLog->append(QStringLiteral("\n(the child did not end in two minutes)"));
    return TFileCapabilities::ChildFailed;
  }
  const bool passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
  return passed ? TFileCapabilities::ChildPassed : TFileCapabilities::ChildFailed;
}

}  // namespace glimr::test

// The tests exist to catch broken invariants; a build that compiles the
// assertions out would hide them.
#if defined(NDEBUG) && !defined(GLIMR_TESTS_WITHOUT_ASSERTS)
#error "test programs are built with assertions on (GLIMR_ASSERTS)"
#endif
