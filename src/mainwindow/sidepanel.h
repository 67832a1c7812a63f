#pragma once
// One side panel of the main window (left: Catalogs, Categories, Search;
// right: File Info, ImageBoard, Filters) with its header, its page control
// and the command strip it collapses to.

#include <QObject>
#include <QString>

class QLabel;
class QTabBar;
class QTabWidget;
class QToolButton;
class QWidget;

namespace glimr {

class TVeskSplitterHandle;

class TSidePanel : public QObject {
  Q_OBJECT

 public:
  enum class TSide { Left, Right };

  // Builds the panel and its command strip as children of parent; pages are
  // added with AddPage. prefix names the controls ("Left" -> pnlLeft,
  // pcLeft, btnHideLeftPanel, tcLeftCommand ...).
  TSidePanel(TSide side, QWidget* parent);

  void AddPage(QWidget* page, const QString& objectName, int iconIndex, int stripIconIndex);
  // The splitter handle between the panel and the ribbon (known once the
  // panel sits in the splitter).
  void SetSplitterHandle(TVeskSplitterHandle* handle) { handle_ = handle; }

  QWidget* Panel() const { return panel_; }
  QWidget* CommandStrip() const { return strip_; }
  QTabWidget* Pages() const { return pages_; }
  QTabBar* StripTabs() const { return stripTabs_; }
  QToolButton* ShowButton() const { return btnShow_; }
  QToolButton* HideButton() const { return btnHide_; }
  QToolButton* ClosePageButton() const { return btnClosePage_; }
  QLabel* Header() const { return lblHeader_; }
  TVeskSplitterHandle* SplitterHandle() const { return handle_; }

  bool IsShown() const { return shown_; }
  // Shows the panel (nothing when no tab is visible) or collapses it to its
  // command strip, enabling the strip's show button exactly when a tab is
  // visible and arming the splitter guard.
  void SetVisible(bool shown);
  // Hides page k's tab; collapses the side when no visible tab remains.
  void ClosePage(int k);
  // The page's tab visible, active, the side shown.
  void ShowPage(int k);

  bool TabVisible(int k) const;
  void SetTabVisible(int k, bool visible);
  bool AnyTabVisible() const;
  int ActivePage() const;
  void SetActivePage(int k);

  // Page captions (text + seven spaces), strip texts (without them).
  void SetPageCaption(int k, const QString& text);
  // The header's text: the active page's caption.
  void UpdateHeader();

  // The panel width to keep while it is collapsed.
  int RememberedWidth() const { return width_; }
  void SetRememberedWidth(int w) { width_ = w; }

 Q_SIGNALS:
  // The tab's or the header's close button (k = the active page).
  void closePageRequested(int k);
  // A press on tab k of the command strip.
  void showPageRequested(int k);
  void pageSwitched(int k);
  void visibilityChanged(bool shown);

 private:
  TSide side_;
  QWidget* panel_ = nullptr;
  QWidget* strip_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QTabBar* stripTabs_ = nullptr;
  QToolButton* btnShow_ = nullptr;
  QToolButton* btnHide_ = nullptr;
  QToolButton* btnClosePage_ = nullptr;
  QLabel* lblHeader_ = nullptr;
  TVeskSplitterHandle* handle_ = nullptr;
  bool shown_ = true;
  int width_ = 0;
};

}  // namespace glimr
