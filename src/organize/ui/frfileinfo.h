#pragma once
// The File Info page (tsFileInfo) of the main window's right page control:
// shows what the selected images share and reports the user's caption,
// rating and category edits; the window applies them to the records.

#include <QLineEdit>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "organize/categoryitem.h"
#include "organize/fileinfo.h"

class QComboBox;
class QLabel;

namespace glimr {

class TStarView;

// A line edit that, while it has no focus, shows its text on one line with
// control characters as blanks and cut with an ellipsis where it does not
// fit. text() always holds the text exactly as set or typed.
class TOneLineEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TOneLineEdit(QWidget* parent = nullptr);
  // What the unfocused edit paints for its text in `width` pixels.
  QString ShownText(int width) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TfrFileInfo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrFileInfo(QWidget* parent = nullptr);

  // Resolves a catalog ID to its folder path for the "Catalog:" field
  // (the catalog queries' CatalogPath); without it the field stays empty.
  void SetCatalogPathLookup(std::function<QString(std::int32_t)> lookup);

  // Rebuilds the category list from the category tree's depth-first items,
  // keeping the shown category when it still exists.
  void SetCategories(const TCategoryItems& items);

  // Writes the selection's values into the page. Setting the caption edit
  // here is not an edit: captionEdited is not sent.
  void ShowProperties(const TFileProperties& props);

  // Reads the labels again in the language in force.
  void ApplyLanguage();

  // The category shown in the list, 0 for none.
  std::int32_t ShownCategory() const;

 Q_SIGNALS:
  void ratingChosen(int rating);
  // Every change of the caption edit's text by the user (each keystroke).
  void captionEdited(const QString& caption);
  void categoryChosen(std::int32_t categoryID);

 private:
  void ShowCategory(std::int32_t id);

  QLabel* lblFileNameTitle_ = nullptr;
  QLabel* lblCaptionTitle_ = nullptr;
  QLabel* lblRatingTitle_ = nullptr;
  QLabel* lblCatalogTitle_ = nullptr;
  QLabel* lblCategoryTitle_ = nullptr;
  QLabel* lblDimensionsTitle_ = nullptr;
  QLabel* lblDateTimeTitle_ = nullptr;
  QLabel* lblFileSizeTitle_ = nullptr;

  TOneLineEdit* edFileName_ = nullptr;
  TOneLineEdit* edCaption_ = nullptr;
  TStarView* svRating_ = nullptr;
  TOneLineEdit* edCatalog_ = nullptr;
  QComboBox* cbCategory_ = nullptr;
  QLabel* lblDimensions_ = nullptr;
  QLabel* lblDateTime_ = nullptr;
  QLabel* lblFileSize_ = nullptr;

  std::function<QString(std::int32_t)> catalogPath_;
  TFileProperties shown_;
  bool suppressCaption_ = false;
};

}  // namespace glimr
