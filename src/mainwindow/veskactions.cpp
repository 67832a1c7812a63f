#include "mainwindow/veskactions.h"

#include <QAction>
#include <QActionGroup>
#include <QRegularExpression>

#include "common/language.h"
#include "mainwindow/veskicons.h"

namespace glimr {

namespace {

// The 55 actions. Hint key -1 with an empty text: no hint.
constexpr TActionSpec kActions[] = {
    {"aVSIcons", "View Style", 32, "", 32, "", 15, true},
    {"aShowFilter", "", 110, "", 50, "", 50, true},
    {"aVSSmallIcons", "View Style", 33, "", 33, "", 16, true},
    {"aVSReport", "View Style", 35, "", 35, "", 18, true},
    {"aVSList", "View Style", 34, "", 34, "", 17, true},
    {"aSelectAll", "Selection", 16, "", 16, "", 11, true},
    {"aSelectNone", "Selection", 17, "", 17, "", 12, true},
    {"aSelectInvert", "Selection", 18, "", 18, "", 13, true},
    {"aCopyToIB", "ImageBoard", 14, "", 14, "", 19, false},
    {"aPasteFromIB", "ImageBoard", 15, "", 15, "", 20, false},
    {"aCutToCB", "ClipBoard", 7, "", 7, "", 21, false},
    {"aCopyToCB", "ClipBoard", 8, "", 8, "", 22, false},
    {"aPasteFromCB", "ClipBoard", 9, "", 9, "", 23, false},
    {"aFileDelete", "Files", 12, "", 12, "", 24, false},
    {"aFileRename", "Files", 13, "", 13, "", 25, false},
    {"aViewShowZoomed", "View", 25, "", 25, "", 39, true},
    {"aViewSlideshow", "View", 345, "", 75, "", -1, true},
    {"aViewMoveLeft", "View", 26, "", 26, "", 33, true},
    {"aViewMoveRight", "View", 27, "", 27, "", 34, true},
    {"aViewRotLeft", "View", 28, "", 28, "", 35, true},
    {"aViewRotRight", "View", 29, "", 29, "", 36, true},
    {"aViewFlipHoriz", "View", 30, "", 30, "", 37, true},
    {"aViewFlipVert", "View", 31, "", 31, "", 38, true},
    {"aVGOpenDir", "Vesk View", 10, "", 10, "", 43, true},
    {"aVGExit", "Vesk View", 11, "", 11, "", -1, true},
    {"aShowCatalogs", "", 0, "", 0, "", 7, true},
    {"aShowCategories", "", 1, "", 1, "", 8, true},
    {"aShowFileInfo", "", 2, "", 2, "", 9, true},
    {"aShowImageBoard", "", 3, "", 3, "", 10, true},
    {"aOptions", "", 4, "", 4, "", 40, true},
    {"aClearCash", "", 5, "", 5, "", 41, true},
    {"aAbout", "", 6, "", 6, "", 42, true},
    {"aSetOneStar", "Set Rating", 19, "", 19, "", 45, false},
    {"aSetTwoStars", "Set Rating", 20, "", 20, "", 46, false},
    {"aSetThreeStars", "Set Rating", 21, "", 21, "", 47, false},
    {"aSetFourStars", "Set Rating", 22, "", 22, "", 48, false},
    {"aSetFiveStars", "Set Rating", 23, "", 23, "", 49, false},
    {"aClearRating", "Set Rating", 24, "", 24, "", 44, false},
    // The category tool bar's buttons show these actions' tool tips, so the
    // actions carry the buttons' hints.
    {"aAddCategory", "Category", 118, "", 45, "", 2, false},
    {"aAddSubCategory", "Category", 119, "", 46, "", 3, false},
    {"aRenameCategory", "Category", 120, "", 49, "", 4, false},
    {"aRemoveCategory", "Category", 121, "", 48, "", 5, false},
    {"aClearCategories", "Category", 122, "", 47, "", 6, false},
    {"aVisitWebSite", "", -1, "Glimr Home Page", -1, "", 55, true},
    {"aFeedback", "", -1, "Write to Glimr developer", -1, "", -1, true},
    {"aFeedback2", "", -1, "Write to Glimr support", -1, "", 56, true},
    {"aNextHistory", "Navigate", 127, "", -1, "", 61, true},
    {"aPrevHistory", "Navigate", 128, "", -1, "", 60, true},
    {"aUp", "Navigate", 129, "", -1, "", 62, true},
    {"aCopyToFolder", "Files", 141, "", 51, "", 63, false},
    {"aMoveToFolder", "Files", 142, "", 52, "", 64, false},
    {"aShowSearch", "", 153, "", 53, "", 69, true},
    {"aSetCategory", "", 215, "", -1, "", 1, false},
    {"aExplorerHere", "", 212, "", -1, "", -1, false},
    {"aAddProgs", "", 214, "", -1, "", -1, false},
};

}  // namespace

QString HintToolTip(const QString& hint) {
  if (hint.isEmpty()) {
    return {};
  }
  QString html = hint.toHtmlEscaped();
  static const QRegularExpression tags(QStringLiteral("&lt;(/?)([BbIi])&gt;"));
  html.replace(tags, QStringLiteral("<\\1\\2>"));
  return QStringLiteral("<qt>") + html + QStringLiteral("</qt>");
}

const TActionSpec* TVeskActions::Specs(int* count) {
  *count = static_cast<int>(std::size(kActions));
  return kActions;
}

TVeskActions::TVeskActions(QObject* parent) : QObject(parent) {
  viewStyles_ = new QActionGroup(this);
  viewStyles_->setExclusive(true);
  for (const TActionSpec& s : kActions) {
    auto* a = new QAction(this);
    a->setObjectName(QString::fromLatin1(s.Name));
    a->setIcon(VeskIcon(s.Icon));
    a->setEnabled(s.Available);
    a->setProperty("glimrGroup", QString::fromLatin1(s.Group));
    actions_[a->objectName()] = a;
    if (QLatin1String(s.Group) == QLatin1String("View Style")) {
      a->setCheckable(true);
      viewStyles_->addAction(a);
    }
  }
  Get("aVSReport")->setChecked(true);
  ApplyCaptions();
}

QAction* TVeskActions::Get(const char* name) const {
  auto it = actions_.find(QString::fromLatin1(name));
  Q_ASSERT(it != actions_.end());
  return it == actions_.end() ? nullptr : it->second;
}

void TVeskActions::ApplyCaptions() {
  for (const TActionSpec& s : kActions) {
    QAction* a = Get(s.Name);
    a->setText(s.CaptionKey >= 0 ? LangText(TLangSection::Captions, s.CaptionKey)
                                 : QString::fromLatin1(s.Caption));
    const QLatin1String name(s.Name);
    if (name == QLatin1String("aNextHistory") || name == QLatin1String("aPrevHistory")) {
      continue;  // set by UpdateHistoryActions
    }
    const QString hint =
        s.HintKey >= 0 ? LangText(TLangSection::Hints, s.HintKey) : QString::fromLatin1(s.Hint);
    a->setToolTip(HintToolTip(hint));
    a->setStatusTip(QString());
    a->setProperty("glimrHint", hint);
  }
}

}  // namespace glimr
