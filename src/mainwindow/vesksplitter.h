#pragma once
// A splitter whose handles report double clicks and can be told to refuse
// the next drag (the guard armed when a side panel collapses, so the press
// that collapsed it does not drag the neighbour's edge afterwards).

#include <QSplitter>
#include <QSplitterHandle>

namespace glimr {

class TVeskSplitterHandle : public QSplitterHandle {
  Q_OBJECT

 public:
  TVeskSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
      : QSplitterHandle(orientation, parent) {}

  void ArmGuard() { guard_ = true; }
  bool GuardArmed() const { return guard_; }
  // A drag step of the handle: refused (and the guard disarmed) while armed.
  // True when the move went through.
  bool TryMove(int position);

 Q_SIGNALS:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  bool guard_ = false;
};

class TVeskSplitter : public QSplitter {
  Q_OBJECT

 public:
  explicit TVeskSplitter(Qt::Orientation orientation, QWidget* parent = nullptr)
      : QSplitter(orientation, parent) {}
  TVeskSplitterHandle* Handle(int index) const {
    return static_cast<TVeskSplitterHandle*>(handle(index));
  }

 protected:
  QSplitterHandle* createHandle() override { return new TVeskSplitterHandle(orientation(), this); }
};

}  // namespace glimr
