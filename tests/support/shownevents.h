#pragma once
// What a shown list told its views, and the marks of its entries, for tests
// of commands that must change only the rows they touch.

#include <QSignalSpy>
#include <QStringList>

#include <utility>

#include "browse/shownlist.h"

namespace glimr::test {

// What the shown list told its views, by kind: "inserted 2-2",
// "removed 0-0", "edited 1-1", and "rebuilt" for a whole new list.
class Told {
 public:
  explicit Told(TShownList& shown)
      : inserted_(&shown, &TShownList::rowsInserted),
        removed_(&shown, &TShownList::rowsRemoved),
        rebuilt_(&shown, &TShownList::sourceChanged),
        reordered_(&shown, &TShownList::reordered) {
    QObject::connect(&shown, &TShownList::rowsEdited, &shown,
                     [this](int first, int last, TEditFields) {
                       edited_ << QStringLiteral("edited %1-%2").arg(first).arg(last);
                     });
  }
  QStringList Events() const {
    QStringList events;
    for (const auto& [spy, what] : {std::pair{&inserted_, "inserted"}, {&removed_, "removed"}}) {
      for (const QList<QVariant>& args : *spy) {
        events << QStringLiteral("%1 %2-%3")
                      .arg(QLatin1String(what))
                      .arg(args.at(0).toInt())
                      .arg(args.at(1).toInt());
      }
    }
    events << edited_;
    if (!rebuilt_.isEmpty()) {
      events << QStringLiteral("rebuilt");
    }
    if (!reordered_.isEmpty()) {
      events << QStringLiteral("reordered");
    }
    return events;
  }

 private:
  QSignalSpy inserted_;
  QSignalSpy removed_;
  QSignalSpy rebuilt_;
  QSignalSpy reordered_;
  QStringList edited_;
};

// The shown entries by file name, "*" after a selected one, "@" after the
// focused one.
inline QStringList State(const TShownList& shown) {
  QStringList state;
  const TFileList& current = shown.Current();
  for (int i = 0; i < current.Count(); ++i) {
    const TImageFileInfo* r = current.At(i);
    state << r->FileName + (r->Selected ? QStringLiteral("*") : QString()) +
                 (r->Focused ? QStringLiteral("@") : QString());
  }
  return state;
}

}  // namespace glimr::test
