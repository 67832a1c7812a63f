#pragma once
// Names the overflow button that a QToolBar shows for the buttons it cannot
// fit: Qt gives it neither text nor name, so a screen reader would announce
// a nameless button. Called with the rest of a tool bar's texts.

#include <QToolBar>
#include <QToolButton>

#include "common/language.h"

namespace glimr {

inline void NameToolBarOverflow(QToolBar* bar) {
  if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"),
                                                Qt::FindDirectChildrenOnly)) {
    more->setAccessibleName(LangText(TLangSection::Captions, 310));
  }
}

}  // namespace glimr
