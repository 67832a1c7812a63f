#pragma once
// Permission tests that also mean something as root. File permissions do not
// bind a process holding CAP_DAC_OVERRIDE or CAP_DAC_READ_SEARCH, and CI runs
// as root; such a test starts with GLIMR_WITHOUT_FILE_CAPABILITIES(). Without
// those capabilities it just goes on; with them it runs the current test
// function again in a child process of the same test program that drops them
// first, and takes the child's verdict as its own.

#include <QString>

namespace glimr::test {

enum class TFileCapabilities {
  Absent,       // go on: permissions bind this process
  ChildPassed,  // the child ran the test without the capabilities and passed
  ChildFailed,  // it failed; the log says why
};

// Drops the capabilities from the calling thread when this is the child
// (threads it starts afterwards inherit that), else reruns the current test
// function in a child when the capabilities are held.
TFileCapabilities WithoutFileCapabilities(QString* childLog);

// Whether the calling thread may bypass file permissions.
bool HoldsFileCapabilities();

}  // namespace glimr::test

#define GLIMR_WITHOUT_FILE_CAPABILITIES()                                                   \
  do {                                                                                      \
    QString glimrChildLog_;                                                                 \
    switch (glimr::test::WithoutFileCapabilities(&glimrChildLog_)) {                        \
      case glimr::test::TFileCapabilities::Absent:                                          \
        break;                                                                              \
      case glimr::test::TFileCapabilities::ChildPassed:                                     \
        return;                                                                             \
      case glimr::test::TFileCapabilities::ChildFailed:                                     \
        QFAIL(qPrintable(QStringLiteral("without file capabilities:\n") + glimrChildLog_)); \
    }                                                                                       \
  } while (false)
