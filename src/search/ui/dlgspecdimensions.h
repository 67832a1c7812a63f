#pragma once
// "Set special dimensions": an exact width and height condition, each row
// switched on by its check box.

#include "search/searchrequest.h"
#include "search/ui/propcontrols.h"
#include "search/ui/specdialog.h"

class QCheckBox;

namespace glimr {

class TdlgSpecDimensions : public TSpecDialog {
  Q_OBJECT

 public:
  explicit TdlgSpecDimensions(QWidget* parent = nullptr);

  // The rows as set; Enabled is the row's check box.
  TNumberCondition Width() const;
  TNumberCondition Height() const;

  QCheckBox* WidthBox() const { return cbSetWidth_; }
  QCheckBox* HeightBox() const { return cbSetHeight_; }
  const TConditionRow& WidthRow() const { return width_; }
  const TConditionRow& HeightRow() const { return height_; }

 private:
  // The row of box on grid line `line`, its controls named with prefix.
  TConditionRow AddRow(int line, QCheckBox* box, const QString& prefix);
  void ApplyOwnLanguage() override;

  QCheckBox* cbSetWidth_ = nullptr;
  QCheckBox* cbSetHeight_ = nullptr;
  TConditionRow width_;
  TConditionRow height_;
};

}  // namespace glimr
