#pragma once
// TColorPalette: the caption colour choice, six columns by three rows of
// colour cells of which one is selected; a double click on a cell lets the
// user give it another colour.

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QButtonGroup;
class QToolButton;

namespace glimr {

class TColorPalette : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kColumns = 6;
  static constexpr int kRows = 3;

  // Asks the user for a colour, preset to the given one; nothing on Cancel.
  using TColorChooser =
      std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;

  // The cells start with the default palette, the first one selected.
  explicit TColorPalette(QWidget* parent = nullptr);

  int SelectedIndex() const { return selected_; }
  void SetSelectedIndex(int index);
  QColor SelectedColor() const { return colors_[selected_]; }
  // The selected cell takes color.
  void SetSelectedColor(const QColor& color);
  QColor CellColor(int index) const { return colors_[index]; }
  QToolButton* Cell(int index) const { return cells_[index]; }

  // Replaces the colour dialog (tests).
  void SetColorChooser(TColorChooser chooser) { chooser_ = std::move(chooser); }
  // The accessible names of the cells: the label's text and the cell's
  // colour in words (its code is the description). Called again after a
  // language switch.
  void ApplyCaptions(const QString& label);
  // What a double click on the selected cell does.
  void EditSelectedCell();

 Q_SIGNALS:
  void SelectionChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintCell(int index);

  std::vector<QColor> colors_;
  std::vector<QToolButton*> cells_;
  QButtonGroup* group_ = nullptr;
  int selected_ = 0;
  QString label_;
  TColorChooser chooser_;
};

// The colour dialog of the platform, with a title.
std::optional<QColor> ChooseColor(const QColor& initial, QWidget* parent, const QString& title);

}  // namespace glimr
