#include "common/errors.h"

#include <QLoggingCategory>

namespace glimr {

Q_LOGGING_CATEGORY(lcErrors, "glimr.errors")

namespace {
std::mutex& SinkMutex() {
  static std::mutex m;
  return m;
}
ErrorSink& Sink() {
  static ErrorSink sink;
  return sink;
}
}  // namespace

QString ErrorText(const std::exception& e) {
  if (auto* g = dynamic_cast<const GlimrError*>(&e)) {
    return g->message();
  }
  return QString::fromLocal8Bit(e.what());
}

ErrorSink SetErrorSink(ErrorSink sink) {
  std::lock_guard lock(SinkMutex());
  ErrorSink old = std::move(Sink());
  Sink() = std::move(sink);
  return old;
}

void ShowError(const QString& label, const QString& message) {
  ShowError(label + message);
}

void ShowError(const QString& text) {
  ErrorSink sink;
  {
    std::lock_guard lock(SinkMutex());
    sink = Sink();
  }
  qCWarning(lcErrors).noquote() << text;
  if (sink) {
    sink(text);
  }
}

ErrorRecorder::ErrorRecorder() {
  previous_ = SetErrorSink([this](const QString& text) {
    std::lock_guard lock(mutex_);
    messages_.append(text);
  });
}

ErrorRecorder::~ErrorRecorder() {
  SetErrorSink(std::move(previous_));
}

QStringList ErrorRecorder::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

void ErrorRecorder::clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
}

}  // namespace glimr
