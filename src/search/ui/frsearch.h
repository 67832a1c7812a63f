#pragma once
// The Search page (left page "tsSearch"): the Files, Catalogs, Categories
// and Properties sections in the panel "fbSearch", and the Search, Clear and
// Show results buttons. The page only gathers what the user asked for; the
// window runs the search when it reports a request.

#include <QStringList>
#include <QWidget>

#include <functional>

#include "search/searchrequest.h"

class QPushButton;
class QToolButton;

namespace glimr {

class TCatalogQueries;
class TfrSearchFiles;
class TfrSearchCatalogs;
class TfrSearchCategories;
class TfrSearchProperties;
class TSectionPanel;

class TfrSearch : public QWidget {
  Q_OBJECT

 public:
  explicit TfrSearch(QWidget* parent = nullptr);

  // The catalog the category dialog and typed category paths are read from;
  // it must outlive the page.
  void SetCatalogQueries(TCatalogQueries& queries);
  // Every extension the plug-in set supports, in its order: offered by the
  // file-type dialog and searched when no type is listed.
  void SetTypeSource(std::function<QStringList()> source);

  // Everything the controls hold, as a search takes it.
  TSearchRequest Request() const;
  // What "Clear" does to the page: empties the name and both lists; the
  // check boxes and the property frames keep their state.
  void ClearScope();

  // The page's caption ("Search") and every text on it, in the loaded
  // language; the checked choices, operators and numbers stay.
  static QString Caption();
  void ApplyLanguage();

  TfrSearchFiles* FilesFrame() const { return frFiles_; }
  TfrSearchCatalogs* CatalogsFrame() const { return frCatalogs_; }
  TfrSearchCategories* CategoriesFrame() const { return frCategories_; }
  TfrSearchProperties* PropertiesFrame() const { return frProperties_; }
  QPushButton* SearchButton() const { return btnSearch_; }
  QPushButton* ClearButton() const { return btnClear_; }
  QPushButton* ShowResultsButton() const { return btnShowResults_; }

 Q_SIGNALS:
  // "Search" was pressed, with the request it makes.
  void searchRequested(const TSearchRequest& request);
  // "Clear" was pressed; the page has already emptied its scope.
  void clearRequested();
  void showResultsRequested();

 private:
  TSectionPanel* fbSearch_ = nullptr;
  TfrSearchFiles* frFiles_ = nullptr;
  TfrSearchCatalogs* frCatalogs_ = nullptr;
  TfrSearchCategories* frCategories_ = nullptr;
  TfrSearchProperties* frProperties_ = nullptr;
  QToolButton* btnFiles_ = nullptr;
  QToolButton* btnCatalogs_ = nullptr;
  QToolButton* btnCategories_ = nullptr;
  QToolButton* btnProperties_ = nullptr;
  QPushButton* btnSearch_ = nullptr;
  QPushButton* btnClear_ = nullptr;
  QPushButton* btnShowResults_ = nullptr;
};

}  // namespace glimr
