#include "common/ui/okcancelrow.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace glimr {

TOkCancelRow AddOkCancelRow(QDialog& dialog, QBoxLayout& layout) {
  TOkCancelRow row;
  row.Box = new QDialogButtonBox(&dialog);
  row.Ok = row.Box->addButton(QString(), QDialogButtonBox::AcceptRole);
  row.Ok->setObjectName(QStringLiteral("btnOk"));
  row.Ok->setDefault(true);
  row.Cancel = row.Box->addButton(QString(), QDialogButtonBox::RejectRole);
  row.Cancel->setObjectName(QStringLiteral("btnCancel"));
  QObject::connect(row.Box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout.addWidget(row.Box);
  return row;
}

}  // namespace glimr
