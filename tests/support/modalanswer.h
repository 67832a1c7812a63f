#pragma once
// Answers a modal window as a user would, for tests that trigger a command
// which opens one.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace glimr::test {

// Answers the next modal window named objectName with answer, as a user
// would; false when none came within a few seconds.
class TModalAnswer {
 public:
  TModalAnswer(const QString& objectName, std::function<void(QWidget*)> answer)
      : name_(objectName), answer_(std::move(answer)) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal && (name_.isEmpty() || modal->objectName() == name_) && !done_) {
        done_ = true;
        timer_.stop();
        answer_(modal);
      }
    });
    timer_.start();
  }
  bool Done() const { return done_; }

 private:
  QString name_;
  std::function<void(QWidget*)> answer_;
  QTimer timer_;
  bool done_ = false;
};

}  // namespace glimr::test
