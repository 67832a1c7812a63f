#include "options/ui/colorpalette.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QEvent>
#include <QGridLayout>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include "options/colornames.h"
#include "options/optionschanges.h"

namespace glimr {

namespace {
constexpr int kCellSide = 22;
}  // namespace

std::optional<QColor> ChooseColor(const QColor& initial, QWidget* parent, const QString& title) {
  const QColor c = QColorDialog::getColor(initial, parent, title);
  if (!c.isValid()) {
    return std::nullopt;
  }
  return c;
}

TColorPalette::TColorPalette(QWidget* parent) : QWidget(parent) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(2);
  group_ = new QButtonGroup(this);
  group_->setExclusive(true);
  for (const char* text : DefaultPaletteCells()) {
    colors_.push_back(PaletteColor(QLatin1String(text)));
  }
  for (int i = 0; i < kColumns * kRows; ++i) {
    auto* cell = new QToolButton(this);
    cell->setObjectName(QStringLiteral("pnlColorCell%1").arg(i));
    cell->setCheckable(true);
    cell->setAutoRaise(false);
    cell->setIconSize(QSize(kCellSide, kCellSide - 6));
    cell->installEventFilter(this);
    group_->addButton(cell, i);
    grid->addWidget(cell, i / kColumns, i % kColumns);
    cells_.push_back(cell);
    PaintCell(i);
  }
  cells_[0]->setChecked(true);
  setFocusProxy(cells_[0]);
  connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked && id != selected_) {
      const int old = selected_;
      selected_ = id;
      PaintCell(old);
      PaintCell(id);
      setFocusProxy(cells_[id]);
      Q_EMIT SelectionChanged();
    }
  });
  chooser_ = [this](const QColor& initial, QWidget* p) { return ChooseColor(initial, p, label_); };
}

void TColorPalette::SetSelectedIndex(int index) {
  if (index >= 0 && index < static_cast<int>(cells_.size())) {
    cells_[index]->setChecked(true);
  }
}

void TColorPalette::SetSelectedColor(const QColor& color) {
  colors_[selected_] = color;
  PaintCell(selected_);
  Q_EMIT SelectionChanged();
}

void TColorPalette::ApplyCaptions(const QString& label) {
  label_ = label;
  for (int i = 0; i < static_cast<int>(cells_.size()); ++i) {
    PaintCell(i);
  }
}

void TColorPalette::EditSelectedCell() {
  if (!chooser_) {
    return;
  }
  if (const std::optional<QColor> c = chooser_(colors_[selected_], this)) {
    SetSelectedColor(*c);
  }
}

bool TColorPalette::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (int i = 0; i < static_cast<int>(cells_.size()); ++i) {
      if (watched == cells_[i]) {
        SetSelectedIndex(i);
        EditSelectedCell();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TColorPalette::PaintCell(int index) {
  QPixmap swatch(kCellSide, kCellSide - 6);
  swatch.fill(colors_[index]);
  {
    QPainter p(&swatch);
    p.setPen(Qt::darkGray);
    p.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    if (index == selected_) {
      // A checked tool button looks much like an unchecked one in some
      // styles; a black and white frame marks the chosen colour on any.
      p.setPen(QPen(Qt::black, 2));
      p.drawRect(swatch.rect().adjusted(1, 1, -1, -1));
      p.setPen(Qt::white);
      p.drawRect(swatch.rect().adjusted(3, 3, -4, -4));
    }
  }
  QToolButton* cell = cells_[index];
  cell->setIcon(QIcon(swatch));
  const QString code = PaletteText(colors_[index]);
  cell->setToolTip(code);
  // A screen reader says the colour in words; the code stays in the
  // description for those who want the exact value.
  const QString name = ColorName(colors_[index]);
  cell->setAccessibleName(label_.isEmpty() ? name : label_ + QLatin1Char(' ') + name);
  cell->setAccessibleDescription(code);
}

}  // namespace glimr
