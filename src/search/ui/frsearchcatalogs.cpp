#include "search/ui/frsearchcatalogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/errors.h"
#include "common/language.h"
#include "search/ui/scopelist.h"

namespace glimr {

namespace {

constexpr int kCapDelete = 164;
constexpr int kCapClear = 165;
constexpr int kCapAddCatalog = 167;
constexpr int kCapCatalogs = 168;
constexpr int kCapOnlyInDatabase = 169;
constexpr int kCapSubdirectories = 170;
constexpr int kStrNoSuchFolder = 108;

// Long enough for any Linux path (PATH_MAX).
constexpr int kMaxPathLength = 4096;

// The folder a typed text names, ending in "/": "~" stands for the home
// folder, and "//", "/./" and "x/.." are folded so one folder always gets
// one text. Relative texts stay relative (and are then refused): the page
// has no current folder of its own.
QString FolderText(const QString& typed) {
  QString path = typed;
  if (path == u'~' || path.startsWith(QStringLiteral("~/"))) {
    path.replace(0, 1, QDir::homePath());
  }
  path = QDir::cleanPath(path);
  if (!path.endsWith(u'/')) {
    path += u'/';
  }
  return path;
}

QString DefaultChooser(QWidget* parent, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, QString(), start);
}

}  // namespace

TfrSearchCatalogs::TfrSearchCatalogs(QWidget* parent)
    : QWidget(parent), chooseFolder_(DefaultChooser) {
  setObjectName(QStringLiteral("TfrSearchCatalogs"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(4, 4, 4, 4);

  const TScopeListControls c =
      MakeScopeList(this, col, QStringLiteral("lblAddCatalog"), QStringLiteral("deCatalogs"),
                    QStringLiteral("btnBrowse"), QStringLiteral("lvCatalogs"));
  lblAdd_ = c.Label;
  deCatalogs_ = c.Entry;
  deCatalogs_->setMaxLength(kMaxPathLength);
  btnBrowse_ = c.Choose;
  lvCatalogs_ = c.List;
  btnDelete_ = c.Delete;
  btnClear_ = c.Clear;

  cbSearchInDB_ = new QCheckBox(this);
  cbSearchInDB_->setObjectName(QStringLiteral("cbSearchInDB"));
  cbSearchInDB_->setChecked(true);
  cbSearchSubdir_ = new QCheckBox(this);
  cbSearchSubdir_->setObjectName(QStringLiteral("cbSearchSubdir"));
  cbSearchSubdir_->setChecked(true);
  col->addWidget(cbSearchInDB_);
  col->addWidget(cbSearchSubdir_);

  connect(deCatalogs_, &QLineEdit::returnPressed, this, &TfrSearchCatalogs::AddFolder);
  connect(btnBrowse_, &QToolButton::clicked, this, &TfrSearchCatalogs::Browse);
  connect(lvCatalogs_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { deCatalogs_->setText(item->text(0)); });
  connect(btnDelete_, &QPushButton::clicked, this, &TfrSearchCatalogs::DeleteSelected);
  connect(btnClear_, &QPushButton::clicked, this, &TfrSearchCatalogs::ClearList);
  ApplyLanguage();
}

void TfrSearchCatalogs::AddFolder() {
  if (deCatalogs_->text().isEmpty()) {
    return;
  }
  const QString folder = FolderText(deCatalogs_->text());
  deCatalogs_->setText(folder);
  const QFileInfo info(folder);
  if (!info.isAbsolute() || !info.isDir()) {
    ShowError(
        LangText(TLangSection::Strings, kStrNoSuchFolder, QStringLiteral("No such folder: %1"))
            .arg(folder));
    return;
  }
  lvCatalogs_->clearSelection();
  QTreeWidgetItem* row = nullptr;
  for (int i = 0; i < lvCatalogs_->topLevelItemCount() && !row; ++i) {
    // Linux names differ by case: /a/Photos/ and /a/photos/ are two folders.
    if (lvCatalogs_->topLevelItem(i)->text(0) == folder) {
      row = lvCatalogs_->topLevelItem(i);
    }
  }
  if (!row) {
    row = new QTreeWidgetItem(QStringList(folder));
    row->setIcon(0, QFileIconProvider().icon(QAbstractFileIconProvider::Folder));
    lvCatalogs_->addTopLevelItem(row);
  }
  lvCatalogs_->setCurrentItem(row);
  row->setSelected(true);
  lvCatalogs_->scrollToItem(row);
  lvCatalogs_->setFocus();
}

void TfrSearchCatalogs::Browse() {
  QString start = deCatalogs_->text();
  if (start.isEmpty()) {
    start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  }
  deCatalogs_->clear();
  const QString chosen = chooseFolder_ ? chooseFolder_(this, start) : QString();
  if (!chosen.isEmpty()) {
    deCatalogs_->setText(chosen);
    AddFolder();
  }
}

QStringList TfrSearchCatalogs::Folders() const {
  QStringList folders;
  for (int i = 0; i < lvCatalogs_->topLevelItemCount(); ++i) {
    folders << lvCatalogs_->topLevelItem(i)->text(0);
  }
  return folders;
}

void TfrSearchCatalogs::DeleteSelected() {
  qDeleteAll(lvCatalogs_->selectedItems());
}

void TfrSearchCatalogs::ClearList() {
  lvCatalogs_->clear();
}

void TfrSearchCatalogs::ApplyLanguage() {
  lblAdd_->setText(LangText(TLangSection::Captions, kCapAddCatalog));
  deCatalogs_->setAccessibleName(lblAdd_->text());
  btnBrowse_->setAccessibleName(lblAdd_->text());
  lvCatalogs_->setHeaderLabels({LangText(TLangSection::Captions, kCapCatalogs)});
  lvCatalogs_->setAccessibleName(LangText(TLangSection::Captions, kCapCatalogs));
  cbSearchInDB_->setText(LangText(TLangSection::Captions, kCapOnlyInDatabase));
  cbSearchInDB_->setAccessibleName(cbSearchInDB_->text());
  cbSearchSubdir_->setText(LangText(TLangSection::Captions, kCapSubdirectories));
  cbSearchSubdir_->setAccessibleName(cbSearchSubdir_->text());
  btnDelete_->setText(LangText(TLangSection::Captions, kCapDelete));
  btnDelete_->setAccessibleName(btnDelete_->text());
  btnClear_->setText(LangText(TLangSection::Captions, kCapClear));
  btnClear_->setAccessibleName(btnClear_->text());
}

}  // namespace glimr
