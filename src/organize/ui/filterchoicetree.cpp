#include "organize/ui/filterchoicetree.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QSet>

namespace glimr {

namespace {

constexpr int kValueRole = Qt::UserRole;

void CollectDepthFirst(QTreeWidgetItem* item, const std::function<void(QTreeWidgetItem*)>& fn) {
  fn(item);
  for (int i = 0; i < item->childCount(); ++i) {
    CollectDepthFirst(item->child(i), fn);
  }
}

void ForEachItem(const QTreeWidget& tree, const std::function<void(QTreeWidgetItem*)>& fn) {
  for (int i = 0; i < tree.topLevelItemCount(); ++i) {
    CollectDepthFirst(tree.topLevelItem(i), fn);
  }
}

}  // namespace

TFilterChoiceTree::TFilterChoiceTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragDropMode(QAbstractItemView::NoDragDrop);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformRowHeights(true);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &TFilterChoiceTree::OnSelectionChanged);
}

QTreeWidgetItem* TFilterChoiceTree::AddChoice(QTreeWidgetItem* parent, const QString& text,
                                              int value, const QIcon& icon) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  // Not user-checkable: the check box only pictures the selection, a click
  // on it must not tick it apart from the selection.
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  item->setText(0, text);
  item->setData(0, kValueRole, value);
  item->setData(0, Qt::CheckStateRole, Qt::Unchecked);
  if (!icon.isNull()) {
    item->setIcon(0, icon);
  }
  return item;
}

int TFilterChoiceTree::ValueOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kValueRole).toInt() : 0;
}

QTreeWidgetItem* TFilterChoiceTree::FindValue(int value) const {
  QTreeWidgetItem* found = nullptr;
  ForEachItem(*this, [&](QTreeWidgetItem* item) {
    if (!found && ValueOf(item) == value) {
      found = item;
    }
  });
  return found;
}

QList<int> TFilterChoiceTree::ChosenValues() const {
  QList<int> values;
  ForEachItem(*this, [&](QTreeWidgetItem* item) {
    if (item->isSelected()) {
      values.append(ValueOf(item));
    }
  });
  return values;
}

void TFilterChoiceTree::SetChosenValues(const QList<int>& values) {
  ++quiet_;
  const QSet<int> wanted(values.begin(), values.end());
  ForEachItem(*this,
              [&](QTreeWidgetItem* item) { item->setSelected(wanted.contains(ValueOf(item))); });
  --quiet_;
  OnSelectionChanged();
}

void TFilterChoiceTree::Rebuild(const std::function<void()>& fill) {
  ++quiet_;
  const QList<int> chosen = ChosenValues();
  QSet<int> expanded;
  ForEachItem(*this, [&](QTreeWidgetItem* item) {
    if (item->isExpanded()) {
      expanded.insert(ValueOf(item));
    }
  });
  clear();
  fill();
  ForEachItem(*this, [&](QTreeWidgetItem* item) {
    if (expanded.contains(ValueOf(item))) {
      item->setExpanded(true);
    }
  });
  SetChosenValues(chosen);
  --quiet_;
  OnSelectionChanged();
}

void TFilterChoiceTree::OnSelectionChanged() {
  ForEachItem(*this, [](QTreeWidgetItem* item) {
    const Qt::CheckState state = item->isSelected() ? Qt::Checked : Qt::Unchecked;
    if (item->data(0, Qt::CheckStateRole).toInt() != state) {
      item->setData(0, Qt::CheckStateRole, state);
    }
  });
  if (quiet_ == 0) {
    NotifyIfChanged();
  }
}

void TFilterChoiceTree::NotifyIfChanged() {
  QList<int> chosen = ChosenValues();
  if (chosen == lastChosen_) {
    return;
  }
  lastChosen_ = std::move(chosen);
  Q_EMIT choiceChanged();
}

void TFilterChoiceTree::mousePressEvent(QMouseEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool keepSelection = (mods & (Qt::ControlModifier | Qt::ShiftModifier)) != 0;
  plainPress_ = event->button() == Qt::LeftButton && !keepSelection;
  ++quiet_;
  QTreeWidget::mousePressEvent(event);
  if (plainPress_) {
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(pos);
    if (!item) {
      clearSelection();
    } else if (pos.x() >= visualItemRect(item).left()) {
      // The view defers a press on an already chosen entry to the release
      // (for dragging several); here the press itself decides. A press on
      // the branch arrow only opens or closes the entry.
      setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect);
    }
  }
  --quiet_;
  OnSelectionChanged();
}

void TFilterChoiceTree::mouseMoveEvent(QMouseEvent* event) {
  // Dragging after a plain press would select a range the press did not ask
  // for.
  if (plainPress_ && (event->buttons() & Qt::LeftButton)) {
    return;
  }
  QTreeWidget::mouseMoveEvent(event);
}

void TFilterChoiceTree::mouseReleaseEvent(QMouseEvent* event) {
  ++quiet_;
  QTreeWidget::mouseReleaseEvent(event);
  --quiet_;
  plainPress_ = false;
  OnSelectionChanged();
}

}  // namespace glimr
