#include "external/ui/frmeditexternal.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/errors.h"
#include "common/language.h"
#include "common/ui/okcancelrow.h"
#include "external/desktopapps.h"
#include "external/externallaunch.h"
#include "external/externalprogs.h"
#include "external/ui/programicon.h"

namespace glimr {

namespace {

constexpr int kIconSide = 32;
const QString kFullNameTemplate = QStringLiteral(":FullName:");

}  // namespace

TfrmEditExternal::TfrmEditExternal(TDesktopApps& apps, QWidget* parent)
    : QDialog(parent), apps_(apps), picker_(&TfrmEditExternal::PickProgramFile) {
  setObjectName(QStringLiteral("frmEditExternal"));
  auto* layout = new QVBoxLayout(this);

  gbApplication = new QGroupBox(this);
  gbApplication->setObjectName(QStringLiteral("gbApplication"));
  auto* grid = new QGridLayout(gbApplication);

  imgIcon = new QLabel(gbApplication);
  imgIcon->setObjectName(QStringLiteral("imgIcon"));
  imgIcon->setFixedSize(kIconSide, kIconSide);
  grid->addWidget(imgIcon, 0, 0, 3, 1, Qt::AlignTop);

  const auto lineEdit = [this](const char* name) {
    auto* e = new QLineEdit(gbApplication);
    e->setObjectName(QLatin1StringView(name));
    e->setMaxLength(TExternalProgs::kMaxValueLength);
    return e;
  };
  lblLocation = new QLabel(gbApplication);
  edLocation = lineEdit("edLocation");
  edLocation->setMinimumWidth(240);
  lblLocation->setBuddy(edLocation);
  btnBrowse = new QToolButton(gbApplication);
  btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
  btnBrowse->setText(QStringLiteral("..."));
  grid->addWidget(lblLocation, 0, 1);
  grid->addWidget(edLocation, 0, 2);
  grid->addWidget(btnBrowse, 0, 3);

  lblName = new QLabel(gbApplication);
  edName = lineEdit("edName");
  lblName->setBuddy(edName);
  grid->addWidget(lblName, 1, 1);
  grid->addWidget(edName, 1, 2, 1, 2);

  lblParameters = new QLabel(gbApplication);
  edParameters = lineEdit("edParameters");
  lblParameters->setBuddy(edParameters);
  btnHelp = new QToolButton(gbApplication);
  btnHelp->setObjectName(QStringLiteral("btnHelp"));
  btnHelp->setText(QStringLiteral("?"));
  grid->addWidget(lblParameters, 2, 1);
  grid->addWidget(edParameters, 2, 2);
  grid->addWidget(btnHelp, 2, 3);
  grid->setColumnStretch(2, 1);
  layout->addWidget(gbApplication);

  const TOkCancelRow okCancel = AddOkCancelRow(*this, *layout);
  btnOk = okCancel.Ok;
  btnCancel = okCancel.Cancel;
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnBrowse, &QToolButton::clicked, this, [this] { btnBrowseClick(); });
  connect(btnHelp, &QToolButton::clicked, this, [this] { btnHelpClick(); });
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(edLocation, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  connect(edLocation, &QLineEdit::editingFinished, this, [this] { edLocationEdited(); });

  ApplyCaptions();
  UpdateOk();
}

void TfrmEditExternal::ApplyCaptions() {
  setWindowTitle(LangText(TLangSection::Captions, 216));
  gbApplication->setTitle(LangText(TLangSection::Captions, 217));
  lblLocation->setText(LangText(TLangSection::Captions, 218));
  lblName->setText(LangText(TLangSection::Captions, 219));
  lblParameters->setText(LangText(TLangSection::Captions, 220));
  const QString browse = LangText(TLangSection::Captions, 238);
  btnBrowse->setToolTip(browse);
  btnBrowse->setAccessibleName(browse);
  const QString help = LangText(TLangSection::Captions, 239);
  btnHelp->setToolTip(help);
  btnHelp->setAccessibleName(help);
  btnOk->setText(LangText(TLangSection::Captions, 87));
  btnCancel->setText(LangText(TLangSection::Captions, 69));
}

void TfrmEditExternal::SetEntry(const QString& name, const QString& location,
                                const QString& parameters, const QIcon& icon) {
  edName->setText(name);
  edLocation->setText(location);
  edParameters->setText(parameters);
  SetIcon(icon);
}

void TfrmEditExternal::PrefillFromProgram(const QString& programFile) {
  const QFileInfo info(programFile);
  if (programFile.isEmpty() || !info.exists()) {
    return;
  }
  const QString location = info.absoluteFilePath();
  edLocation->setText(location);
  const TDesktopApp* app = apps_.FindByProgram(location);
  edName->setText(app && !app->Name.isEmpty() ? app->Name : info.fileName());
  SetIcon(ProgramIcon(location, apps_));
  edParameters->setText(kFullNameTemplate);
}

void TfrmEditExternal::PrefillFromApp(const TDesktopApp& app) {
  edLocation->setText(app.Program);
  edName->setText(app.Name);
  edParameters->setText(app.Parameters);
  const QIcon icon = DesktopIcon(app.IconName);
  SetIcon(icon.isNull() ? ProgramIcon(app.Program, apps_) : icon);
}

QString TfrmEditExternal::EntryName() const {
  return edName->text();
}

QString TfrmEditExternal::Location() const {
  return edLocation->text().trimmed();
}

QString TfrmEditExternal::Parameters() const {
  return edParameters->text();
}

QString TfrmEditExternal::PickProgramFile(QWidget* parent, const QString& start) {
  QFileDialog dialog(parent, LangText(TLangSection::Captions, 240));
  // Programs on Linux are told by their execute permission, not by a name
  // pattern, and only Qt's own dialog can filter on it.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(LangText(TLangSection::Captions, 241));
  dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
  const QFileInfo startInfo(start);
  if (!start.isEmpty() && startInfo.exists()) {
    dialog.setDirectory(startInfo.absolutePath());
    dialog.selectFile(startInfo.fileName());
  } else {
    dialog.setDirectory(QStringLiteral("/usr/bin"));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return {};
  }
  return dialog.selectedFiles().front();
}

void TfrmEditExternal::btnBrowseClick() {
  const QString file = picker_ ? picker_(this, Location()) : QString();
  if (file.isEmpty()) {
    return;
  }
  if (!ResolveProgram(file)) {
    ShowError(LangText(TLangSection::Strings, 131).arg(file));
    return;
  }
  PrefillFromProgram(file);
}

void TfrmEditExternal::btnHelpClick() {
  QMessageBox::information(this, QStringLiteral("Glimr"),
                           ExpandLineBreaks(LangText(TLangSection::Strings, 26)));
}

void TfrmEditExternal::edLocationEdited() {
  SetIcon(ProgramIcon(Location(), apps_));
}

void TfrmEditExternal::btnOkClick() {
  if (Location().isEmpty()) {
    return;
  }
  if (edName->text().trimmed().isEmpty()) {
    edName->setText(QFileInfo(Location()).fileName());
  }
  // A location typed or pasted without leaving the field still gets its
  // own icon.
  if (Location() != iconLocation_) {
    SetIcon(ProgramIcon(Location(), apps_));
  }
  accept();
}

void TfrmEditExternal::SetIcon(const QIcon& icon) {
  icon_ = icon;
  iconLocation_ = Location();
  imgIcon->setPixmap(icon.pixmap(kIconSide, kIconSide));
}

void TfrmEditExternal::UpdateOk() {
  btnOk->setEnabled(!Location().isEmpty());
}

}  // namespace glimr
