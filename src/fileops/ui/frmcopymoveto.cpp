#include "fileops/ui/frmcopymoveto.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/language.h"
#include "common/ui/okcancelrow.h"
#include "fileops/ui/destinationhistory.h"

namespace glimr {

namespace {

bool IsFolder(const QString& path) {
  const QFileInfo info(path);
  return info.isAbsolute() && info.isDir();
}

}  // namespace

TfrmCopyMoveTo::TfrmCopyMoveTo(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmCopyMoveTo"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  // A fixed-size window: the layout decides the size once.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  lblInfo1 = new QLabel(this);
  lblInfo1->setObjectName(QStringLiteral("lblInfo1"));
  layout->addWidget(lblInfo1);
  auto* folderRow = new QHBoxLayout;
  deChoose = new QLineEdit(this);
  deChoose->setObjectName(QStringLiteral("deChoose"));
  deChoose->setMaxLength(kMaxPathLength);
  deChoose->setMinimumWidth(360);
  lblInfo1->setBuddy(deChoose);
  btnPick = new QToolButton(this);
  btnPick->setObjectName(QStringLiteral("btnPick"));
  btnPick->setText(QStringLiteral("..."));
  folderRow->addWidget(deChoose, 1);
  folderRow->addWidget(btnPick);
  layout->addLayout(folderRow);

  lblInfo2 = new QLabel(this);
  lblInfo2->setObjectName(QStringLiteral("lblInfo2"));
  layout->addWidget(lblInfo2);
  lbHistory = new QListWidget(this);
  lbHistory->setObjectName(QStringLiteral("lbHistory"));
  lbHistory->setSelectionMode(QAbstractItemView::SingleSelection);
  lbHistory->setFixedHeight(140);
  lblInfo2->setBuddy(lbHistory);
  layout->addWidget(lbHistory);

  auto* historyButtons = new QHBoxLayout;
  btnClear = new QPushButton(this);
  btnClear->setObjectName(QStringLiteral("btnClear"));
  btnClear->setAutoDefault(false);
  btnDelSel = new QPushButton(this);
  btnDelSel->setObjectName(QStringLiteral("btnDelSel"));
  btnDelSel->setAutoDefault(false);
  historyButtons->addWidget(btnClear);
  historyButtons->addWidget(btnDelSel);
  historyButtons->addStretch(1);
  layout->addLayout(historyButtons);

  auto* optionRow = new QHBoxLayout;
  lblInfo3 = new QLabel(this);
  lblInfo3->setObjectName(QStringLiteral("lblInfo3"));
  cbExistedFilesAction = new QComboBox(this);
  cbExistedFilesAction->setObjectName(QStringLiteral("cbExistedFilesAction"));
  cbExistedFilesAction->addItems({QString(), QString(), QString(), QString()});
  lblInfo3->setBuddy(cbExistedFilesAction);
  optionRow->addWidget(lblInfo3);
  optionRow->addWidget(cbExistedFilesAction, 1);
  layout->addLayout(optionRow);

  const TOkCancelRow okCancel = AddOkCancelRow(*this, *layout);
  btnOk = okCancel.Ok;
  btnCancel = okCancel.Cancel;
  btnCancel->setAutoDefault(false);

  connect(lbHistory, &QListWidget::currentRowChanged, this, &TfrmCopyMoveTo::OnHistoryRow);
  connect(lbHistory, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { OnHistoryRow(lbHistory->row(item)); });
  connect(btnPick, &QToolButton::clicked, this, &TfrmCopyMoveTo::OnPickFolder);
  connect(btnClear, &QPushButton::clicked, this, &TfrmCopyMoveTo::OnClear);
  connect(btnDelSel, &QPushButton::clicked, this, &TfrmCopyMoveTo::OnRemoveSelected);
  connect(btnOk, &QPushButton::clicked, this, &TfrmCopyMoveTo::OnOk);

  ApplyCaptions();
}

void TfrmCopyMoveTo::ApplyActionCaptions() {
  setWindowTitle(move_ ? LangText(TLangSection::Captions, 139)
                       : LangText(TLangSection::Captions, 137));
  btnOk->setText(move_ ? LangText(TLangSection::Captions, 140)
                       : LangText(TLangSection::Captions, 138));
}

void TfrmCopyMoveTo::ApplyCaptions() {
  ApplyActionCaptions();
  lblInfo1->setText(LangText(TLangSection::Captions, 143));
  lblInfo2->setText(LangText(TLangSection::Captions, 144));
  // A list view does not take its name from a buddy label.
  lbHistory->setAccessibleName(lblInfo2->text());
  lblInfo3->setText(LangText(TLangSection::Captions, 145));
  cbExistedFilesAction->setItemText(0, LangText(TLangSection::Captions, 146));
  cbExistedFilesAction->setItemText(1, LangText(TLangSection::Captions, 147));
  cbExistedFilesAction->setItemText(2, LangText(TLangSection::Captions, 148));
  cbExistedFilesAction->setItemText(3, LangText(TLangSection::Captions, 149));
  cbExistedFilesAction->setCurrentIndex(0);
  btnCancel->setText(LangText(TLangSection::Captions, 69));
  btnClear->setText(LangText(TLangSection::Captions, 150));
  btnDelSel->setText(LangText(TLangSection::Captions, 151));
  const QString pick = LangText(TLangSection::Captions, 61);
  btnPick->setToolTip(pick);
  btnPick->setAccessibleName(pick);
}

std::optional<TCopyMoveChoice> TfrmCopyMoveTo::Choose(bool move, QStringList& history) {
  move_ = move;
  history_ = &history;
  choice_.reset();
  ApplyActionCaptions();
  FillHistory();
  deChoose->setFocus();
  exec();
  history_ = nullptr;
  rowIndex_.clear();
  return choice_;
}

void TfrmCopyMoveTo::FillHistory() {
  filling_ = true;
  lbHistory->clear();
  rowIndex_.clear();
  if (history_) {
    THistoryListing listing = ListHistory(*history_, IsFolder);
    lbHistory->addItems(listing.Shown);
    rowIndex_ = std::move(listing.Index);
  }
  lbHistory->setCurrentRow(-1);
  filling_ = false;
}

void TfrmCopyMoveTo::OnHistoryRow(int row) {
  if (filling_ || row < 0 || row >= lbHistory->count()) {
    return;
  }
  deChoose->setText(lbHistory->item(row)->text());
}

void TfrmCopyMoveTo::OnPickFolder() {
  const QString start = IsFolder(deChoose->text()) ? deChoose->text() : QDir::homePath();
  const QString folder =
      QFileDialog::getExistingDirectory(this, LangText(TLangSection::Captions, 61), start);
  if (!folder.isEmpty()) {
    deChoose->setText(folder);
  }
}

void TfrmCopyMoveTo::OnClear() {
  if (history_) {
    history_->clear();
  }
  FillHistory();
}

void TfrmCopyMoveTo::OnRemoveSelected() {
  const QList<QListWidgetItem*> selected = lbHistory->selectedItems();
  if (selected.isEmpty() || !history_) {
    return;
  }
  const int row = lbHistory->row(selected.front());
  if (row < 0 || static_cast<std::size_t>(row) >= rowIndex_.size()) {
    return;
  }
  history_->removeAt(rowIndex_[static_cast<std::size_t>(row)]);
  FillHistory();
}

void TfrmCopyMoveTo::OnOk() {
  const QString text = deChoose->text();
  if (!IsFolder(text)) {
    QMessageBox::warning(this, QStringLiteral("Glimr"), LangText(TLangSection::Strings, 21),
                         QMessageBox::Ok);
    return;
  }
  if (history_) {
    AddToHistory(*history_, text);
  }
  choice_ = TCopyMoveChoice{DestinationFolderOf(text),
                            PolicyOfOption(cbExistedFilesAction->currentIndex())};
  accept();
}

}  // namespace glimr
