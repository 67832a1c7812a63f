#pragma once
// Failures travel as GlimrError exceptions; user-facing handlers catch them and
// report "label: message" through one error channel. The GUI installs a sink
// that shows a message box on the main thread; tests install a recorder.

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <stdexcept>

namespace glimr {

// An error whose message is user-visible text (UTF-16 kept as QString).
class GlimrError : public std::runtime_error {
 public:
  explicit GlimrError(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const noexcept { return message_; }

 private:
  QString message_;
};

// Text of any exception, for "label: message" reports.
QString ErrorText(const std::exception& e);

using ErrorSink = std::function<void(const QString& text)>;

// Replaces the process-wide sink and returns the previous one. Without a sink
// reports go to the log category only.
ErrorSink SetErrorSink(ErrorSink sink);

// Reports "label" + "message" (the label carries its own ": ").
void ShowError(const QString& label, const QString& message);
void ShowError(const QString& text);

// Installs a sink that records every report; restores the old one on
// destruction. For tests.
class ErrorRecorder {
 public:
  ErrorRecorder();
  ~ErrorRecorder();
  ErrorRecorder(const ErrorRecorder&) = delete;
  ErrorRecorder& operator=(const ErrorRecorder&) = delete;

  QStringList messages() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  QStringList messages_;
  ErrorSink previous_;
};

}  // namespace glimr
