#include "external/ui/dlginstalledapps.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "common/language.h"
#include "common/ui/okcancelrow.h"

namespace glimr {

TdlgInstalledApps::TdlgInstalledApps(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgInstalledApps"));
  auto* layout = new QVBoxLayout(this);
  lblApps = new QLabel(this);
  lvApps = new QListWidget(this);
  lvApps->setObjectName(QStringLiteral("lvApps"));
  lvApps->setSelectionMode(QAbstractItemView::SingleSelection);
  lvApps->setIconSize(QSize(24, 24));
  lblApps->setBuddy(lvApps);
  lblNone = new QLabel(this);
  lblNone->setWordWrap(true);
  layout->addWidget(lblApps);
  layout->addWidget(lvApps, 1);
  layout->addWidget(lblNone);

  const TOkCancelRow okCancel = AddOkCancelRow(*this, *layout);
  btnOk = okCancel.Ok;
  btnCancel = okCancel.Cancel;
  resize(360, 420);

  connect(lvApps, &QListWidget::itemSelectionChanged, this, [this] { UpdateOk(); });
  connect(lvApps, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  ApplyCaptions();
  SetApps({});
}

void TdlgInstalledApps::ApplyCaptions() {
  setWindowTitle(LangText(TLangSection::Captions, 236));
  lblApps->setText(LangText(TLangSection::Captions, 237));
  lblNone->setText(LangText(TLangSection::Strings, 130));
  btnOk->setText(LangText(TLangSection::Captions, 87));
  btnCancel->setText(LangText(TLangSection::Captions, 69));
}

void TdlgInstalledApps::SetApps(std::vector<TDesktopApp> apps) {
  apps_ = std::move(apps);
  lvApps->clear();
  const QIcon fallback = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  for (const TDesktopApp& app : apps_) {
    const QIcon icon = DesktopIcon(app.IconName);
    auto* item = new QListWidgetItem(icon.isNull() ? fallback : icon, app.Name, lvApps);
    item->setToolTip(app.Program);
  }
  lblNone->setVisible(apps_.empty());
  if (!apps_.empty()) {
    lvApps->setCurrentRow(0);
  }
  UpdateOk();
}

std::optional<TDesktopApp> TdlgInstalledApps::SelectedApp() const {
  const int row = lvApps->currentRow();
  if (row < 0 || row >= static_cast<int>(apps_.size()) || lvApps->selectedItems().isEmpty()) {
    return std::nullopt;
  }
  return apps_[static_cast<std::size_t>(row)];
}

void TdlgInstalledApps::UpdateOk() {
  btnOk->setEnabled(!lvApps->selectedItems().isEmpty());
}

}  // namespace glimr
