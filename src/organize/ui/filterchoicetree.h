#pragma once
// A tree of filter choices (ratings, categories) whose selected entries are
// the chosen values, each entry showing a check box that follows its
// selection. A plain press makes the pressed entry the only choice (a press
// on empty space clears them); Ctrl and Shift keep the tree's own multiple
// selection.

#include <QList>
#include <QTreeWidget>

#include <functional>

namespace glimr {

class TFilterChoiceTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TFilterChoiceTree(QWidget* parent = nullptr);

  // Appends an entry standing for value under parent (top level for null).
  QTreeWidgetItem* AddChoice(QTreeWidgetItem* parent, const QString& text, int value,
                             const QIcon& icon = {});
  static int ValueOf(const QTreeWidgetItem* item);
  QTreeWidgetItem* FindValue(int value) const;

  // The values of the selected entries, in depth-first order.
  QList<int> ChosenValues() const;
  // Selects exactly the entries whose values are given.
  void SetChosenValues(const QList<int>& values);

  // Empties the tree and lets fill build it again; afterwards the entries
  // whose values were chosen or expanded before are chosen and expanded
  // again. choiceChanged is sent once, only when the chosen values differ.
  void Rebuild(const std::function<void()>& fill);

 Q_SIGNALS:
  // The chosen values changed (once per press, key or call).
  void choiceChanged();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnSelectionChanged();
  void NotifyIfChanged();

  QList<int> lastChosen_;
  // While a press, release or rebuild is handled, changes are reported once
  // at its end.
  int quiet_ = 0;
  // A plain press is not a start of drag selection.
  bool plainPress_ = false;
};

}  // namespace glimr
