#include "board/ui/frimageboard.h"

#include <QAction>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

#include "board/boardlist.h"
#include "board/ui/boardmodel.h"
#include "browse/ui/toolbarnames.h"
#include "common/language.h"

namespace glimr {

namespace {

// How a tool bar picture is drawn.
enum class TToolPicture { CheckSel, UncheckSel, CheckNone, CheckAll, Invert, Delete, Clear };

struct TTool {
  const char* Name;
  int HintKey;
  const char16_t* Hint;
  TToolPicture Picture;
  void (TfrImageBoard::*Run)();
};

constexpr TTool kTools[] = {
    {"tbImgBrdCheckSel", 40, u"Check selected items", TToolPicture::CheckSel,
     &TfrImageBoard::CheckSelected},
    {"tbImgBrdUnCheckSel", 44, u"Uncheck selected items", TToolPicture::UncheckSel,
     &TfrImageBoard::UncheckSelected},
    {"tbImgBrdCheckNone", 39, u"Uncheck all items", TToolPicture::CheckNone,
     &TfrImageBoard::UncheckAll},
    {"tbImgBrdCheckAll", 38, u"Check all items", TToolPicture::CheckAll, &TfrImageBoard::CheckAll},
    {"tbImgBrdInvertCheck", 43, u"Invert checks", TToolPicture::Invert,
     &TfrImageBoard::InvertChecks},
    {"tbImgBrdDelete", 42, u"Delete selected items from <B>ImageBoard</B>", TToolPicture::Delete,
     &TfrImageBoard::DeleteSelected},
    {"tbImgBrdClear", 41, u"Clear <B>ImageBoard</B>", TToolPicture::Clear,
     &TfrImageBoard::ClearBoard},
};

const QRegularExpression& HintMarks() {
  static const QRegularExpression marks(QStringLiteral("<(/?)([BbIi])>"));
  return marks;
}

// A hint's text without its bold and italic marks, for screen readers.
QString HintPlainText(const QString& hint) {
  QString text = hint;
  return text.remove(HintMarks());
}

// A hint as a tool tip: the text escaped, its bold and italic marks kept.
QString HintToolTip(const QString& hint) {
  if (hint.isEmpty()) {
    return {};
  }
  QString html = hint.toHtmlEscaped();
  static const QRegularExpression escaped(QStringLiteral("&lt;(/?)([BbIi])&gt;"));
  html.replace(escaped, QStringLiteral("<\\1\\2>"));
  return QStringLiteral("<qt>") + html + QStringLiteral("</qt>");
}

// The style's own check box, drawn into a small picture.
void DrawCheckBox(QPainter& p, const QStyle* style, const QRect& rect, bool checked) {
  QStyleOptionButton option;
  option.rect = rect;
  option.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
  style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p);
}

QIcon ToolIcon(TToolPicture picture, const QWidget* widget) {
  const QStyle* style = widget->style();
  switch (picture) {
    case TToolPicture::Delete:
      return QIcon::fromTheme(QStringLiteral("edit-delete"),
                              style->standardIcon(QStyle::SP_TrashIcon));
    case TToolPicture::Clear:
      return QIcon::fromTheme(QStringLiteral("edit-clear"),
                              style->standardIcon(QStyle::SP_DialogResetButton));
    default:
      break;
  }
  constexpr int kSide = 16;
  QPixmap pixmap(kSide, kSide);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  const QRect first(0, 0, 11, 11);
  const QRect second(5, 5, 11, 11);
  const QRect single(2, 2, 12, 12);
  switch (picture) {
    case TToolPicture::CheckSel:
    case TToolPicture::UncheckSel:
      // A selected row's highlight behind the box: the tool works on the selection.
      p.fillRect(QRect(0, 0, kSide, kSide), widget->palette().color(QPalette::Highlight));
      DrawCheckBox(p, style, single, picture == TToolPicture::CheckSel);
      break;
    case TToolPicture::CheckAll:
    case TToolPicture::CheckNone:
      DrawCheckBox(p, style, first, picture == TToolPicture::CheckAll);
      DrawCheckBox(p, style, second, picture == TToolPicture::CheckAll);
      break;
    default:  // invert: one of each
      DrawCheckBox(p, style, first, true);
      DrawCheckBox(p, style, second, false);
      break;
  }
  p.end();
  return QIcon(pixmap);
}

}  // namespace

TfrImageBoard::TfrImageBoard(TBoardList& board, TExtensionTable& extensions, QWidget* parent)
    : QWidget(parent), board_(board) {
  setObjectName(QStringLiteral("tsImageBoard"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  toolBar_ = new QToolBar(this);
  toolBar_->setObjectName(QStringLiteral("toolBarImageBoard"));
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  layout->addWidget(toolBar_);

  model_ = new TBoardModel(board_, extensions, this);
  lvImageBoard_ = new QTreeView(this);
  lvImageBoard_->setObjectName(QStringLiteral("lvImageBoard"));
  lvImageBoard_->setModel(model_);
  lvImageBoard_->setRootIsDecorated(false);
  lvImageBoard_->setItemsExpandable(false);
  lvImageBoard_->setUniformRowHeights(true);
  lvImageBoard_->setAllColumnsShowFocus(true);
  lvImageBoard_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvImageBoard_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvImageBoard_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvImageBoard_->setIconSize(QSize(16, 16));
  lvImageBoard_->setContextMenuPolicy(Qt::ActionsContextMenu);
  QHeaderView* header = lvImageBoard_->header();
  header->setStretchLastSection(false);
  header->setSectionsMovable(false);
  header->resizeSection(TBoardModel::ColName, 100);
  header->resizeSection(TBoardModel::ColDirectory, 200);
  layout->addWidget(lvImageBoard_, 1);

  for (const TTool& tool : kTools) {
    auto* action = new QAction(ToolIcon(tool.Picture, this), QString(), this);
    action->setObjectName(QLatin1String(tool.Name));
    connect(action, &QAction::triggered, this, tool.Run);
    toolBar_->addAction(action);
    lvImageBoard_->addAction(action);
    if (QWidget* button = toolBar_->widgetForAction(action)) {
      button->setObjectName(QLatin1String(tool.Name));
    }
    actions_.push_back(action);
  }
  ApplyCaptions();
}

TfrImageBoard::~TfrImageBoard() = default;

void TfrImageBoard::ApplyCaptions() {
  const QString title = LangText(TLangSection::Captions, 3);
  setWindowTitle(title);
  lvImageBoard_->setAccessibleName(title);
  toolBar_->setAccessibleName(title);
  toolBar_->setWindowTitle(title);
  NameToolBarOverflow(toolBar_);
  for (size_t i = 0; i < actions_.size(); ++i) {
    const TTool& tool = kTools[i];
    const QString hint = LangText(TLangSection::Hints, tool.HintKey, QString::fromUtf16(tool.Hint));
    const QString plain = HintPlainText(hint);
    actions_[i]->setText(plain);
    actions_[i]->setToolTip(HintToolTip(hint));
    if (QWidget* button = toolBar_->widgetForAction(actions_[i])) {
      button->setAccessibleName(plain);
    }
  }
  model_->ApplyCaptions();
}

std::vector<int> TfrImageBoard::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : lvImageBoard_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TfrImageBoard::CheckSelected() {
  board_.SetChecked(SelectedRows(), true);
}

void TfrImageBoard::UncheckSelected() {
  board_.SetChecked(SelectedRows(), false);
}

void TfrImageBoard::CheckAll() {
  board_.CheckAll(true);
}

void TfrImageBoard::UncheckAll() {
  board_.CheckAll(false);
}

void TfrImageBoard::InvertChecks() {
  board_.InvertChecks();
}

void TfrImageBoard::DeleteSelected() {
  board_.RemoveRows(SelectedRows());
}

void TfrImageBoard::ClearBoard() {
  board_.Clear();
}

}  // namespace glimr
