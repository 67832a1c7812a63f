#pragma once
// The controls a scope section of the Search page is made of: a label and an
// entry field with a "..." button to add an entry, the list of entries, and
// Delete and Clear below it. The Catalogs and Categories sections differ only
// in what an entry is.

#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QVBoxLayout;
class QWidget;

namespace glimr {

struct TScopeListControls {
  QLabel* Label = nullptr;
  QLineEdit* Entry = nullptr;
  QToolButton* Choose = nullptr;
  QTreeWidget* List = nullptr;
  QPushButton* Delete = nullptr;
  QPushButton* Clear = nullptr;
};

// Makes the controls in owner, laid out in column; the names are the
// controls' object names.
TScopeListControls MakeScopeList(QWidget* owner, QVBoxLayout* column, const QString& labelName,
                                 const QString& entryName, const QString& chooseName,
                                 const QString& listName);

}  // namespace glimr
