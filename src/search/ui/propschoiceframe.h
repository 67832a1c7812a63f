#pragma once
// A property frame of ready choices whose last one, "Let me set...", opens
// the frame's dialog for an exact condition (each click on it, checked or
// not, opens the dialog again). The checked choice is shown bold.

#include <QList>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QRadioButton;

namespace glimr {

class TPropsChoiceFrame : public QWidget {
  Q_OBJECT

 public:
  // The checked choice's position (0: "I don't know").
  int CheckedIndex() const;
  QRadioButton* Choice(int index) const { return choices_.value(index); }
  QRadioButton* SpecialChoice() const { return choices_.last(); }
  void ApplyLanguage();

 protected:
  // names: the choices' object names in order; their texts are the
  // consecutive Captions keys from firstKey.
  TPropsChoiceFrame(QWidget* parent, const QStringList& names, int firstKey);
  virtual void OpenSpecial() = 0;

 private:
  QButtonGroup* group_ = nullptr;
  QList<QRadioButton*> choices_;
  int firstKey_ = 0;
};

}  // namespace glimr
