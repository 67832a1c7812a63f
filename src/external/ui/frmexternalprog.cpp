#include "external/ui/frmexternalprog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/errors.h"
#include "common/language.h"
#include "common/ui/okcancelrow.h"
#include "external/desktopapps.h"
#include "external/externallaunch.h"
#include "external/externalprogs.h"
#include "external/ui/dlginstalledapps.h"
#include "external/ui/programicon.h"

namespace glimr {

namespace {

enum TColumn { kName = 0, kLocation = 1, kParameters = 2 };

QTreeWidgetItem* MakeRow(const QString& name, const QString& location, const QString& parameters,
                         const QIcon& icon) {
  auto* item = new QTreeWidgetItem(QStringList{name, location, parameters});
  item->setIcon(kName, icon);
  return item;
}

}  // namespace

TfrmExternalProg::TfrmExternalProg(TDesktopApps& apps, QWidget* parent)
    : QDialog(parent), apps_(apps), picker_(&TfrmEditExternal::PickProgramFile) {
  setObjectName(QStringLiteral("frmExternalProg"));
  editor_ = new TfrmEditExternal(apps_, this);
  installed_ = new TdlgInstalledApps(this);

  auto* layout = new QVBoxLayout(this);
  gbEditors = new QGroupBox(this);
  gbEditors->setObjectName(QStringLiteral("gbEditors"));
  auto* groupLayout = new QHBoxLayout(gbEditors);

  lvProgs = new QTreeWidget(gbEditors);
  lvProgs->setObjectName(QStringLiteral("lvProgs"));
  lvProgs->setColumnCount(3);
  lvProgs->setRootIsDecorated(false);
  lvProgs->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvProgs->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvProgs->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvProgs->setIconSize(QSize(16, 16));
  lvProgs->setUniformRowHeights(true);
  lvProgs->header()->setStretchLastSection(true);
  lvProgs->setColumnWidth(kName, 150);
  lvProgs->setColumnWidth(kLocation, 150);
  lvProgs->setColumnWidth(kParameters, 100);
  groupLayout->addWidget(lvProgs, 1);

  auto* side = new QVBoxLayout;
  const auto button = [this](const char* name) {
    auto* b = new QPushButton(gbEditors);
    b->setObjectName(QLatin1StringView(name));
    return b;
  };
  btnAdd = button("btnAdd");
  btnAddInstalled = button("btnAddInstalled");
  btnEdit = button("btnEdit");
  btnDelete = button("btnDelete");
  btnClear = button("btnClear");
  for (QPushButton* b : {btnAdd, btnAddInstalled, btnEdit, btnDelete, btnClear}) {
    side->addWidget(b);
  }
  side->addStretch(1);
  groupLayout->addLayout(side);
  layout->addWidget(gbEditors, 1);

  const TOkCancelRow okCancel = AddOkCancelRow(*this, *layout);
  btnOk = okCancel.Ok;
  btnCancel = okCancel.Cancel;
  resize(620, 320);

  connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
  connect(btnAddInstalled, &QPushButton::clicked, this, [this] { btnAddInstalledClick(); });
  connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
  connect(btnClear, &QPushButton::clicked, this, [this] { btnClearClick(); });
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(lvProgs, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
  connect(lvProgs, &QTreeWidget::itemDoubleClicked, this, [this] { btnEditClick(); });

  ApplyCaptions();
  UpdateButtons();
}

void TfrmExternalProg::ApplyCaptions() {
  setWindowTitle(LangText(TLangSection::Captions, 221));
  const QString editors = LangText(TLangSection::Captions, 222);
  gbEditors->setTitle(editors);
  lvProgs->setAccessibleName(editors);
  lvProgs->setHeaderLabels({
      LangText(TLangSection::Captions, 223),
      LangText(TLangSection::Captions, 224),
      LangText(TLangSection::Captions, 225),
  });
  btnAdd->setText(LangText(TLangSection::Captions, 226));
  btnAddInstalled->setText(LangText(TLangSection::Captions, 235));
  btnEdit->setText(LangText(TLangSection::Captions, 227));
  btnDelete->setText(LangText(TLangSection::Captions, 228));
  btnClear->setText(LangText(TLangSection::Captions, 229));
  btnOk->setText(LangText(TLangSection::Captions, 87));
  btnCancel->setText(LangText(TLangSection::Captions, 69));
  editor_->ApplyCaptions();
  installed_->ApplyCaptions();
}

bool TfrmExternalProg::Execute(TExternalProgs& progs) {
  LoadRows(progs);
  if (exec() != QDialog::Accepted) {
    return false;
  }
  StoreRows(progs);
  return true;
}

void TfrmExternalProg::LoadRows(const TExternalProgs& progs) {
  if (!apps_.Scanned()) {
    apps_.Scan();
  }
  lvProgs->clear();
  for (int i = 0; i < progs.Count(); ++i) {
    const TExternalProg& prog = *progs.Items(i);
    lvProgs->addTopLevelItem(
        MakeRow(prog.Name, prog.Path, prog.Parameters, ProgramIcon(prog.Path, apps_)));
  }
  UpdateButtons();
}

void TfrmExternalProg::StoreRows(TExternalProgs& progs) const {
  progs.Clear();
  for (int i = 0; i < lvProgs->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = lvProgs->topLevelItem(i);
    TExternalProg& prog = progs.Add(row->text(kName));
    prog.Path = row->text(kLocation);
    prog.Parameters = row->text(kParameters);
  }
}

void TfrmExternalProg::btnAddClick() {
  const QString file = picker_ ? picker_(this, QString()) : QString();
  if (file.isEmpty()) {
    return;
  }
  if (!ResolveProgram(file)) {
    ShowError(LangText(TLangSection::Strings, 131).arg(file));
    return;
  }
  editor_->SetEntry({}, {}, {}, {});
  editor_->PrefillFromProgram(file);
  if (editor_->exec() == QDialog::Accepted) {
    AppendEditorRow();
  }
}

void TfrmExternalProg::btnAddInstalledClick() {
  // Read again each time, so a program installed meanwhile shows up.
  apps_.Scan();
  installed_->SetApps(apps_.Apps());
  if (installed_->exec() != QDialog::Accepted) {
    return;
  }
  const std::optional<TDesktopApp> app = installed_->SelectedApp();
  if (!app) {
    return;
  }
  editor_->SetEntry({}, {}, {}, {});
  editor_->PrefillFromApp(*app);
  if (editor_->exec() == QDialog::Accepted) {
    AppendEditorRow();
  }
}

void TfrmExternalProg::AppendEditorRow() {
  QTreeWidgetItem* row = MakeRow(editor_->EntryName(), editor_->Location(), editor_->Parameters(),
                                 editor_->CurrentIcon());
  lvProgs->addTopLevelItem(row);
  lvProgs->clearSelection();
  lvProgs->setCurrentItem(row);
  UpdateButtons();
}

void TfrmExternalProg::btnEditClick() {
  QTreeWidgetItem* row = lvProgs->currentItem();
  if (!row || !row->isSelected()) {
    const QList<QTreeWidgetItem*> selected = lvProgs->selectedItems();
    row = selected.isEmpty() ? nullptr : selected.front();
  }
  if (!row) {
    return;
  }
  editor_->SetEntry(row->text(kName), row->text(kLocation), row->text(kParameters),
                    row->icon(kName));
  if (editor_->exec() != QDialog::Accepted) {
    return;
  }
  row->setText(kName, editor_->EntryName());
  row->setText(kLocation, editor_->Location());
  row->setText(kParameters, editor_->Parameters());
  row->setIcon(kName, editor_->CurrentIcon());
}

void TfrmExternalProg::btnDeleteClick() {
  qDeleteAll(lvProgs->selectedItems());
  UpdateButtons();
}

void TfrmExternalProg::btnClearClick() {
  lvProgs->clear();
  UpdateButtons();
}

void TfrmExternalProg::UpdateButtons() {
  const bool selected = !lvProgs->selectedItems().isEmpty();
  btnEdit->setEnabled(selected);
  btnDelete->setEnabled(selected);
  btnClear->setEnabled(lvProgs->topLevelItemCount() > 0);
}

}  // namespace glimr
