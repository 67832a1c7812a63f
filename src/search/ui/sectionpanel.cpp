#include "search/ui/sectionpanel.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace glimr {

TSectionPanel::TSectionPanel(QWidget* parent) : QWidget(parent) {
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(2);
  // The space left by closed sections stays below the last header.
  layout_->addStretch(1);
}

QToolButton* TSectionPanel::AddSection(QWidget* frame, const QString& buttonName) {
  auto* button = new QToolButton(this);
  button->setObjectName(buttonName);
  button->setCheckable(true);
  button->setChecked(true);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setArrowType(Qt::DownArrow);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  frame->setParent(this);
  connect(button, &QToolButton::toggled, frame, [button, frame](bool open) {
    button->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    frame->setVisible(open);
  });
  // Before the closing stretch.
  const int at = layout_->count() - 1;
  layout_->insertWidget(at, button);
  layout_->insertWidget(at + 1, frame);
  return button;
}

}  // namespace glimr
