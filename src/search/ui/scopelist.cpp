#include "search/ui/scopelist.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace glimr {

TScopeListControls MakeScopeList(QWidget* owner, QVBoxLayout* column, const QString& labelName,
                                 const QString& entryName, const QString& chooseName,
                                 const QString& listName) {
  TScopeListControls c;
  c.Label = new QLabel(owner);
  c.Label->setObjectName(labelName);
  column->addWidget(c.Label);
  auto* entry = new QHBoxLayout;
  c.Entry = new QLineEdit(owner);
  c.Entry->setObjectName(entryName);
  c.Label->setBuddy(c.Entry);
  c.Choose = new QToolButton(owner);
  c.Choose->setObjectName(chooseName);
  c.Choose->setText(QStringLiteral("..."));
  entry->addWidget(c.Entry, 1);
  entry->addWidget(c.Choose);
  column->addLayout(entry);

  c.List = new QTreeWidget(owner);
  c.List->setObjectName(listName);
  c.List->setColumnCount(1);
  c.List->setRootIsDecorated(false);
  c.List->setSelectionMode(QAbstractItemView::ExtendedSelection);
  c.List->setEditTriggers(QAbstractItemView::NoEditTriggers);
  c.List->setMinimumHeight(100);
  column->addWidget(c.List, 1);

  auto* buttons = new QHBoxLayout;
  c.Delete = new QPushButton(owner);
  c.Delete->setObjectName(QStringLiteral("btnDelete"));
  c.Clear = new QPushButton(owner);
  c.Clear->setObjectName(QStringLiteral("btnClear"));
  buttons->addStretch(1);
  buttons->addWidget(c.Delete);
  buttons->addWidget(c.Clear);
  column->addLayout(buttons);
  return c;
}

}  // namespace glimr
