#include "browse/ui/filelistview.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include "browse/ui/extensiontable.h"
#include "browse/ui/filelistmodel.h"
#include "catalog/imagefileinfo.h"

namespace glimr {

namespace {

// The selection stays visible while another control has the focus.
void KeepSelectionVisible(QAbstractItemView* view) {
  QPalette pal = view->palette();
  pal.setColor(QPalette::Inactive, QPalette::Highlight,
               pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
               pal.color(QPalette::Active, QPalette::HighlightedText));
  pal.setColor(QPalette::Base, QColor(TFileListModel::kBackground));
  view->setPalette(pal);
}

void SetUpCommon(QAbstractItemView* view) {
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setDragEnabled(true);
  view->setDragDropMode(QAbstractItemView::DragOnly);
  view->setTabKeyNavigation(false);
  KeepSelectionVisible(view);
}

// Re-enables painting when a removal or reload ends, even by an error.
class TUpdatesGuard {
 public:
  explicit TUpdatesGuard(QWidget* w) : w_(w) { w_->setUpdatesEnabled(false); }
  ~TUpdatesGuard() { w_->setUpdatesEnabled(true); }
  TUpdatesGuard(const TUpdatesGuard&) = delete;
  TUpdatesGuard& operator=(const TUpdatesGuard&) = delete;

 private:
  QWidget* w_;
};

}  // namespace

// Draws the icon styles' items one grid cell each. The icon view lays its
// items out with uniform sizes (thousands of rows stay cheap), and a uniform
// size is taken from a single row, normally "..": with the style's own size
// hint every name would be cut to the width of that row. A hint equal to the
// grid cell gives every row the whole cell; a name longer than the cell is
// elided at its edge instead of running into the next one.
class TFileListView::TCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void SetCell(const QSize& cell) { cell_ = cell; }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return cell_.isValid() ? cell_ : QStyledItemDelegate::sizeHint(option, index);
  }

 private:
  QSize cell_;
};

// The report style. Find-by-typing is switched off (the list answers no
// search), Space opens the zoomed view, key up and mouse down refresh the
// file-info page.
class TFileListView::TReportView : public QTreeView {
 public:
  TReportView(TFileListView* owner) : QTreeView(owner), owner_(owner) {}
  void keyboardSearch(const QString&) override {}

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (!owner_->HandleKey(e)) {
      QTreeView::keyPressEvent(e);
    }
  }
  void keyReleaseEvent(QKeyEvent* e) override {
    QTreeView::keyReleaseEvent(e);
    if (!e->isAutoRepeat()) {
      Q_EMIT owner_->propertiesRequested();
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    QTreeView::mousePressEvent(e);
    Q_EMIT owner_->propertiesRequested();
  }

 private:
  TFileListView* owner_;
};

// The icon, small icon and list styles.
class TFileListView::TIconView : public QListView {
 public:
  TIconView(TFileListView* owner) : QListView(owner), owner_(owner) {}
  void keyboardSearch(const QString&) override {}

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (!owner_->HandleKey(e)) {
      QListView::keyPressEvent(e);
    }
  }
  void keyReleaseEvent(QKeyEvent* e) override {
    QListView::keyReleaseEvent(e);
    if (!e->isAutoRepeat()) {
      Q_EMIT owner_->propertiesRequested();
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    QListView::mousePressEvent(e);
    Q_EMIT owner_->propertiesRequested();
  }

 private:
  TFileListView* owner_;
};

TFileListView::TFileListView(TShownList& shown, TExtensionTable& extensions, QWidget* parent)
    : QWidget(parent), shown_(shown), extensions_(extensions) {
  setObjectName(QStringLiteral("veskListFiles"));
  model_ = new TFileListModel(shown_.Current(), extensions_, this);
  selection_ = new QItemSelectionModel(model_, this);

  auto* report = new TReportView(this);
  report_ = report;
  report_->setModel(model_);
  report_->setSelectionModel(selection_);
  report_->setRootIsDecorated(false);
  report_->setItemsExpandable(false);
  report_->setUniformRowHeights(true);
  report_->setAllColumnsShowFocus(true);
  report_->setSortingEnabled(false);
  SetUpCommon(report_);
  QHeaderView* header = report_->header();
  header->setSectionsClickable(true);
  header->setSectionsMovable(false);
  header->setStretchLastSection(false);
  header->setSortIndicatorShown(false);
  for (int c = 0; c < scCount; ++c) {
    report_->setColumnWidth(c, TFileListModel::ColumnWidth(c));
  }
  connect(header, &QHeaderView::sectionClicked, this, &TFileListView::OnHeaderClicked);

  auto* icons = new TIconView(this);
  icons_ = icons;
  icons_->setModel(model_);
  icons_->setSelectionModel(selection_);
  icons_->setModelColumn(scName);
  icons_->setUniformItemSizes(true);
  icons_->setMovement(QListView::Static);
  icons_->setResizeMode(QListView::Adjust);
  icons_->setLayoutMode(QListView::Batched);
  icons_->setBatchSize(500);
  iconCells_ = new TCellDelegate(icons_);
  icons_->setItemDelegate(iconCells_);
  SetUpCommon(icons_);

  stack_ = new QStackedWidget(this);
  stack_->addWidget(icons_);
  stack_->addWidget(report_);
  stack_->setCurrentWidget(report_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(stack_);
  setFocusProxy(report_);

  connect(selection_, &QItemSelectionModel::selectionChanged, this,
          &TFileListView::OnSelectionChanged);
  connect(selection_, &QItemSelectionModel::currentChanged, this, &TFileListView::OnCurrentChanged);
  connect(report_, &QAbstractItemView::doubleClicked, this, &TFileListView::OnDoubleClicked);
  connect(icons_, &QAbstractItemView::doubleClicked, this, &TFileListView::OnDoubleClicked);

  connect(&shown_, &TShownList::aboutToReplace, this, &TFileListView::BeginReplace);
  connect(&shown_, &TShownList::sourceChanged, this, &TFileListView::EndReplace);
  connect(&shown_, &TShownList::aboutToReorder, this, &TFileListView::BeginReorder);
  connect(&shown_, &TShownList::reordered, this, &TFileListView::EndReorder);
  connect(&shown_, &TShownList::aboutToRemove, this, [this](int first, int last) {
    // The selection model lets go of the rows while their records exist. It
    // moves its current row to a neighbour as it does: that is no focus the
    // user chose, so the records' marks stay as the command left them.
    restoring_ = true;
    model_->BeginRemoveRows(first, last);
  });
  connect(&shown_, &TShownList::rowsRemoved, this, [this] {
    model_->EndRemoveRows();
    restoring_ = false;
    // The records hold the marks: a command may have moved the focus to
    // the entry that took a removed one's place.
    RestoreSelectionFromRecords();
    UpdateSummary(false);
  });
  connect(&shown_, &TShownList::rowsInserted, this,
          [this](int first, int last) { model_->InsertRows(first, last); });
  connect(&shown_, &TShownList::rowsEdited, this, [this](int first, int last) {
    model_->RowsChanged(first, last);
    UpdateSummary(false);
  });
}

TFileListView::~TFileListView() = default;

QAbstractItemView* TFileListView::ActiveView() const {
  return style_ == TViewStyle::Report ? static_cast<QAbstractItemView*>(report_)
                                      : static_cast<QAbstractItemView*>(icons_);
}

void TFileListView::BeginReplace() {
  setUpdatesEnabled(false);
  // The records are about to be written back and freed: let go of them first.
  selection_->clear();
}

void TFileListView::EndReplace() {
  model_->SetRowCount(shown_.Current().Count());
  RestoreSelectionFromRecords();
  setUpdatesEnabled(true);
  UpdateSummary(true);
}

void TFileListView::SetSortState(const TSortState& sort) {
  shown_.SetSort(sort);
  ShowSortArrow();
}

TTypeNameOf TFileListView::TypeNameOf() const {
  const TExtensionTable* table = &extensions_;
  return [table](std::int32_t extIndex) {
    const TExtInfo* ext = table->At(extIndex);
    return ext != nullptr ? ext->ShellTypeName : QString();
  };
}

void TFileListView::BeginReorder() {
  setUpdatesEnabled(false);
  // Let go of the view's selection before the rows move: the selection model
  // would otherwise carry every selected cell through the reorder one by one.
  restoring_ = true;
  selection_->clear();
  restoring_ = false;
  model_->BeginReorder();
}

void TFileListView::EndReorder() {
  model_->EndReorder();
  // The view's selection and focus follow their records to the new rows.
  RestoreSelectionFromRecords();
  setUpdatesEnabled(true);
}

int TFileListView::FocusedRow() const {
  const QModelIndex current = selection_->currentIndex();
  return current.isValid() && current.row() < shown_.Current().Count() ? current.row() : -1;
}

void TFileListView::FocusRow(int row, bool selectAlone) {
  if (row < 0 || row >= model_->rowCount()) {
    return;
  }
  const QModelIndex index = model_->index(row, scName);
  if (selectAlone && SelectedCount() <= 1) {
    selection_->setCurrentIndex(index,
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  } else {
    selection_->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  }
  ActiveView()->scrollTo(index);
}

int TFileListView::SelectedCount() const {
  int n = 0;
  const TFileList& files = shown_.Current();
  for (int i = 0; i < files.Count(); ++i) {
    n += files.At(i)->Selected ? 1 : 0;
  }
  return n;
}

QString TFileListView::SummaryText() const {
  return SelectionSummaryText(summary_);
}

void TFileListView::RemoveSelectedFromView() {
  TUpdatesGuard guard(this);
  shown_.RemoveSelected();
}

void TFileListView::ApplyCaptions() {
  model_->ApplyCaptions();
  UpdateSummary(true);
}

void TFileListView::SetViewStyle(TViewStyle style) {
  style_ = style;
  if (style == TViewStyle::Report) {
    stack_->setCurrentWidget(report_);
    setFocusProxy(report_);
  } else {
    QSize cell;
    switch (style) {
      case TViewStyle::Icons:
        icons_->setViewMode(QListView::IconMode);
        icons_->setFlow(QListView::LeftToRight);
        icons_->setIconSize(QSize(32, 32));
        icons_->setWordWrap(true);
        cell = QSize(96, 72);
        break;
      case TViewStyle::SmallIcons:
        icons_->setViewMode(QListView::ListMode);
        icons_->setFlow(QListView::LeftToRight);
        icons_->setIconSize(QSize(16, 16));
        icons_->setWordWrap(false);
        cell = QSize(180, 20);
        break;
      default:
        icons_->setViewMode(QListView::ListMode);
        icons_->setFlow(QListView::TopToBottom);
        icons_->setIconSize(QSize(16, 16));
        icons_->setWordWrap(false);
        cell = QSize(200, 20);
        break;
    }
    iconCells_->SetCell(cell);
    icons_->setGridSize(cell);
    icons_->setWrapping(true);
    icons_->setMovement(QListView::Static);
    icons_->setResizeMode(QListView::Adjust);
    stack_->setCurrentWidget(icons_);
    setFocusProxy(icons_);
  }
  const QModelIndex current = selection_->currentIndex();
  if (current.isValid()) {
    ActiveView()->scrollTo(current);
  }
}

void TFileListView::SelectAll() {
  const int n = model_->rowCount();
  if (n > 0) {
    selection_->select(QItemSelection(model_->index(0, 0), model_->index(n - 1, scCount - 1)),
                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  SetSelectionCommand(TSelectionCommand::All);
  Q_EMIT propertiesRequested();
}

void TFileListView::SelectNone() {
  selection_->clearSelection();
  SetSelectionCommand(TSelectionCommand::None);
  Q_EMIT propertiesRequested();
}

void TFileListView::InvertSelection() {
  const int n = model_->rowCount();
  // One toggle over all rows: the same result as toggling row by row, with
  // one notification instead of one per row.
  if (n > 0) {
    selection_->select(QItemSelection(model_->index(0, 0), model_->index(n - 1, scCount - 1)),
                       QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
  }
  SetSelectionCommand(TSelectionCommand::Invert);
  Q_EMIT propertiesRequested();
}

void TFileListView::RepeatSelectionCommand() {
  switch (selectionCommand_) {
    case TSelectionCommand::All:
      SelectAll();
      break;
    case TSelectionCommand::None:
      SelectNone();
      break;
    case TSelectionCommand::Invert:
      InvertSelection();
      break;
  }
}

void TFileListView::SetSelectionCommand(TSelectionCommand command) {
  if (command != selectionCommand_) {
    selectionCommand_ = command;
    Q_EMIT selectionCommandChanged(command);
  }
}

void TFileListView::OnSelectionChanged(const QItemSelection& selected,
                                       const QItemSelection& deselected) {
  if (restoring_) {
    return;
  }
  const TFileList& files = shown_.Current();
  const int last = std::min(model_->rowCount(), files.Count()) - 1;
  auto apply = [&](const QItemSelection& ranges, bool state) {
    for (const QItemSelectionRange& range : ranges) {
      const int end = std::min(range.bottom(), last);
      for (int row = std::max(range.top(), 0); row <= end; ++row) {
        TImageFileInfo* r = files.At(row);
        if (r->Selected == state) {
          continue;
        }
        r->Selected = state;
        if (!r->IsFolder) {
          summary_.Count += state ? 1 : -1;
          summary_.Size += state ? r->FileSize : -r->FileSize;
        }
      }
    }
  };
  apply(deselected, false);
  apply(selected, true);
  Q_EMIT selectionMarksChanged();
  UpdateSummary(false);
}

void TFileListView::OnCurrentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (restoring_) {
    return;
  }
  const TFileList& files = shown_.Current();
  if (previous.isValid() && previous.row() < files.Count() && previous.row() != current.row()) {
    files.At(previous.row())->Focused = false;
  }
  if (!current.isValid() || current.row() >= files.Count()) {
    return;
  }
  TImageFileInfo* r = files.At(current.row());
  if (!r->Focused) {
    r->Focused = true;
    Q_EMIT focusedIndexChanged(current.row());
  }
}

void TFileListView::OnHeaderClicked(int section) {
  shown_.SetSort(NextSortState(shown_.Sort(), section));
  ShowSortArrow();
}

void TFileListView::ShowSortArrow() {
  QHeaderView* header = report_->header();
  const TSortState& sort = shown_.Sort();
  if (sort.Arrow == 0) {
    header->setSortIndicatorShown(false);
    return;
  }
  header->setSortIndicatorShown(true);
  header->setSortIndicator(sort.Column, sort.Arrow == 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TFileListView::OnDoubleClicked(const QModelIndex& index) {
  // The double click acts on the focused row, which the first click set.
  const int row = FocusedRow();
  if (row < 0 || !index.isValid()) {
    return;
  }
  if (shown_.Current().At(row)->IsFolder) {
    Q_EMIT folderActivated(row);
  } else {
    Q_EMIT showZoomedRequested();
  }
}

bool TFileListView::HandleKey(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
    Q_EMIT showZoomedRequested();
    return true;
  }
  return false;
}

void TFileListView::RestoreSelectionFromRecords() {
  const TFileList& files = shown_.Current();
  const int n = std::min(model_->rowCount(), files.Count());
  int focused = -1;
  for (int i = 0; i < n; ++i) {
    if (files.At(i)->Focused) {
      if (focused < 0) {
        focused = i;
      } else {
        files.At(i)->Focused = false;  // one focused row only
      }
    }
  }
  QItemSelection wanted;
  for (int i = 0; i < n; ++i) {
    if (files.At(i)->Selected) {
      int j = i;
      while (j + 1 < n && files.At(j + 1)->Selected) {
        ++j;
      }
      wanted.select(model_->index(i, 0), model_->index(j, scCount - 1));
      i = j;
    }
  }
  // The records hold the truth here, so the view's notifications must not
  // write back into them. Clearing first and then selecting also spares the
  // selection model its range-by-range difference of two large selections.
  restoring_ = true;
  selection_->clear();
  if (!wanted.isEmpty()) {
    selection_->select(wanted, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  if (focused >= 0) {
    selection_->setCurrentIndex(model_->index(focused, scName), QItemSelectionModel::NoUpdate);
  }
  restoring_ = false;
  summary_ = SummarizeSelection(files);
}

void TFileListView::UpdateSummary(bool force) {
  QString text = SelectionSummaryText(summary_);
  if (force || text != shownSummary_) {
    shownSummary_ = text;
    Q_EMIT selectionSummaryChanged(shownSummary_);
  }
}

}  // namespace glimr
