#include "fileops/ui/deletequestion.h"

#include <QMessageBox>

#include "common/language.h"

namespace glimr {

TPermanentDelete AskDeletePermanently(QWidget* parent, const QString& path) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Glimr"),
                  LangText(TLangSection::Strings, 116).arg(path),
                  QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll,
                  parent);
  box.setDefaultButton(QMessageBox::No);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return TPermanentDelete::Delete;
    case QMessageBox::YesToAll:
      return TPermanentDelete::DeleteAll;
    case QMessageBox::NoToAll:
      return TPermanentDelete::KeepAll;
    default:
      return TPermanentDelete::Keep;
  }
}

}  // namespace glimr
