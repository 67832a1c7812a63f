#include "mainwindow/sidepanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "mainwindow/veskicons.h"
#include "mainwindow/vesksplitter.h"

namespace glimr {

namespace {

QToolButton* SmallButton(QWidget* parent, const QString& name, int icon) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setIcon(VeskIcon(icon));
  b->setFixedSize(22, 22);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

}  // namespace

TSidePanel::TSidePanel(TSide side, QWidget* parent) : QObject(parent), side_(side) {
  const bool left = side == TSide::Left;
  const QString s = left ? QStringLiteral("Left") : QStringLiteral("Right");
  setObjectName(QStringLiteral("side") + s);

  panel_ = new QWidget(parent);
  panel_->setObjectName(QStringLiteral("pnl") + s);
  auto* col = new QVBoxLayout(panel_);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(0);
  auto* header = new QWidget(panel_);
  header->setObjectName(QStringLiteral("pnl") + s + QStringLiteral("Header"));
  header->setFixedHeight(26);
  auto* row = new QHBoxLayout(header);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(2);
  btnHide_ =
      SmallButton(header, QStringLiteral("btnHide") + s + QStringLiteral("Panel"), left ? 57 : 59);
  btnClosePage_ = SmallButton(header, QStringLiteral("btnClose") + s + QStringLiteral("Page"), 58);
  lblHeader_ = new QLabel(header);
  lblHeader_->setObjectName(QStringLiteral("lbl") + s + QStringLiteral("Header"));
  QFont bold = lblHeader_->font();
  bold.setBold(true);
  lblHeader_->setFont(bold);
  if (left) {
    row->addWidget(btnHide_);
    row->addWidget(lblHeader_, 1);
    row->addWidget(btnClosePage_);
  } else {
    row->addWidget(btnClosePage_);
    row->addWidget(lblHeader_, 1);
    row->addWidget(btnHide_);
  }
  col->addWidget(header);
  pages_ = new QTabWidget(panel_);
  pages_->setObjectName(QStringLiteral("pc") + s);
  pages_->setTabPosition(QTabWidget::South);
  pages_->setTabsClosable(true);
  pages_->setDocumentMode(true);
  pages_->tabBar()->setExpanding(false);
  pages_->tabBar()->setUsesScrollButtons(true);
  col->addWidget(pages_, 1);

  strip_ = new QWidget(parent);
  strip_->setObjectName(QStringLiteral("pnl") + s + QStringLiteral("Command"));
  strip_->setFixedWidth(26);
  auto* scol = new QVBoxLayout(strip_);
  scol->setContentsMargins(2, 2, 2, 2);
  scol->setSpacing(2);
  btnShow_ =
      SmallButton(strip_, QStringLiteral("btnShow") + s + QStringLiteral("Panel"), left ? 59 : 57);
  scol->addWidget(btnShow_);
  stripTabs_ = new QTabBar(strip_);
  stripTabs_->setObjectName(QStringLiteral("tc") + s + QStringLiteral("Command"));
  stripTabs_->setShape(left ? QTabBar::RoundedWest : QTabBar::RoundedEast);
  stripTabs_->setDrawBase(false);
  stripTabs_->setExpanding(false);
  scol->addWidget(stripTabs_);
  scol->addStretch(1);
  strip_->hide();

  connect(btnHide_, &QToolButton::clicked, this, [this] { SetVisible(false); });
  connect(btnShow_, &QToolButton::clicked, this, [this] { SetVisible(true); });
  connect(btnClosePage_, &QToolButton::clicked, this,
          [this] { Q_EMIT closePageRequested(ActivePage()); });
  connect(pages_, &QTabWidget::tabCloseRequested, this,
          [this](int k) { Q_EMIT closePageRequested(k); });
  connect(pages_, &QTabWidget::currentChanged, this, [this](int k) {
    UpdateHeader();
    Q_EMIT pageSwitched(k);
  });
  connect(stripTabs_, &QTabBar::tabBarClicked, this, [this](int k) {
    if (k >= 0) {
      Q_EMIT showPageRequested(k);
    }
  });
}

void TSidePanel::AddPage(QWidget* page, const QString& objectName, int iconIndex,
                         int stripIconIndex) {
  page->setObjectName(objectName);
  pages_->addTab(page, VeskIcon(iconIndex), QString());
  stripTabs_->addTab(VeskIcon(stripIconIndex), QString());
}

bool TSidePanel::TabVisible(int k) const {
  return pages_->isTabVisible(k);
}

void TSidePanel::SetTabVisible(int k, bool visible) {
  if (k >= 0 && k < pages_->count()) {
    pages_->setTabVisible(k, visible);
  }
}

bool TSidePanel::AnyTabVisible() const {
  for (int k = 0; k < pages_->count(); ++k) {
    if (pages_->isTabVisible(k)) {
      return true;
    }
  }
  return false;
}

int TSidePanel::ActivePage() const {
  return pages_->currentIndex();
}

void TSidePanel::SetActivePage(int k) {
  // Stored indexes are applied as they are; one outside the pages or on a
  // hidden tab leaves the page control's own choice.
  if (k >= 0 && k < pages_->count() && pages_->isTabVisible(k)) {
    pages_->setCurrentIndex(k);
  }
}

void TSidePanel::SetVisible(bool shown) {
  const bool noTab = !AnyTabVisible();
  if (shown) {
    if (noTab) {
      return;
    }
    strip_->hide();
    panel_->show();
    if (handle_) {
      handle_->show();
    }
    shown_ = true;
  } else {
    if (panel_->width() > 0 && panel_->isVisible()) {
      width_ = panel_->width();
    }
    btnShow_->setEnabled(!noTab);
    panel_->hide();
    strip_->show();
    if (handle_) {
      handle_->ArmGuard();
    }
    shown_ = false;
  }
  Q_EMIT visibilityChanged(shown_);
}

void TSidePanel::ClosePage(int k) {
  bool remaining = false;
  for (int i = 0; i < pages_->count(); ++i) {
    if (!pages_->isTabVisible(i)) {
      continue;
    }
    if (i == k) {
      pages_->setTabVisible(i, false);
    } else {
      remaining = true;
    }
  }
  if (!remaining) {
    SetVisible(false);
  }
  UpdateHeader();
}

void TSidePanel::ShowPage(int k) {
  SetTabVisible(k, true);
  SetActivePage(k);
  SetVisible(true);
  UpdateHeader();
}

void TSidePanel::SetPageCaption(int k, const QString& text) {
  pages_->setTabText(k, text + QStringLiteral("       "));
  stripTabs_->setTabText(k, text);
}

void TSidePanel::UpdateHeader() {
  const int k = ActivePage();
  lblHeader_->setText(k >= 0 ? pages_->tabText(k) : QString());
}

}  // namespace glimr
