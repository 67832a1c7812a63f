#pragma once
// "Select Category": a modal choice of one category for the selected images.
// The tree is read from the catalog level by level as the user opens it; a
// preset path ("Travel\2005\Alps\") is selected when the dialog shows.

#include <QDialog>

#include <cstdint>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace glimr {

class TCatalogQueries;

class TdlgCategories : public QDialog {
  Q_OBJECT

 public:
  // queries must outlive the dialog.
  explicit TdlgCategories(TCatalogQueries& queries, QWidget* parent = nullptr);

  // The path to select when the dialog shows, names each followed by "\";
  // after OK the chosen entry's path in that form.
  void SetPresetPath(const QString& path) {
    presetPath_ = path;
    presetNone_ = false;
  }
  // Preset to the "No Categories" entry itself (when it is offered): a
  // category that happens to bear that name is not it.
  void SetPresetNoCategories() {
    presetPath_.clear();
    presetNone_ = true;
  }
  const QString& PresetPath() const { return presetPath_; }
  // Offer "No Categories" (ID 0) as the last top-level entry.
  void SetOfferNoCategories(bool offer) { offerNone_ = offer; }
  // The chosen category after OK (0: none, or "No Categories").
  std::int32_t ResultID() const { return resultID_; }

  // The title and buttons in the language in force; the dialog is kept
  // between uses, so a language switch must reach it.
  void ApplyLanguage();

  // What showing does: reads the top level again and selects the preset.
  void FormShow();
  // Selects the entry named by path, opening the entries on the way; where a
  // name is not found, the entry reached so far (nothing at the top level).
  void SelectCategory(const QString& path);

  QTreeWidget* TreeView() const { return tree_; }
  QPushButton* OkButton() const { return btnOk_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void LoadChildren(QTreeWidgetItem* parent, std::int32_t parentID);
  void OnExpanding(QTreeWidgetItem* item);
  void OnSelectionChanged();
  void OnOk();
  static QString GetMePath(const QTreeWidgetItem* item);

  TCatalogQueries& queries_;
  QTreeWidget* tree_ = nullptr;
  QPushButton* btnOk_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
  QString presetPath_;
  bool presetNone_ = false;
  bool offerNone_ = false;
  std::int32_t resultID_ = 0;
};

}  // namespace glimr
