#pragma once
// The error channel of the running program: every "label: message" report
// becomes a message box on the main thread.

namespace glimr {

// Installs the sink; reports from other threads are queued to the main
// thread, which shows them when its event loop runs.
void InstallGuiErrorSink();

}  // namespace glimr
