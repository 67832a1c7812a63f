#pragma once
// The main window's actions: one table of names, groups, caption and hint
// keys, icons and whether the action works yet; captions and hints are set
// through the language by ApplyCaptions.

#include <QObject>
#include <QString>

#include <map>

class QAction;
class QActionGroup;

namespace glimr {

// A hint with its <B>/<I> mark-up as a rich-text tool tip: other text is
// escaped, the four tags become bold and italic; "" stays "".
QString HintToolTip(const QString& hint);

struct TActionSpec {
  const char* Name;
  const char* Group;    // "" for none
  int CaptionKey;       // "Captions" key, -1 for the fixed caption
  const char* Caption;  // fixed caption (when CaptionKey is -1)
  int HintKey;          // "Hints" key, -1 for the fixed hint
  const char* Hint;     // fixed hint (when HintKey is -1), may be ""
  int Icon;             // allImages position, -1 for none
  bool Available;       // false: the behaviour is not built yet
};

class TVeskActions : public QObject {
  Q_OBJECT

 public:
  explicit TVeskActions(QObject* parent);

  // The action of that name ("aVGOpenDir"); never null for a name of the
  // table (an unknown name is a programming error and aborts in debug).
  QAction* Get(const char* name) const;
  QActionGroup* ViewStyleGroup() const { return viewStyles_; }
  const std::map<QString, QAction*>& All() const { return actions_; }

  // Captions and hints of every action in the language in force. The
  // history actions' hints are left to UpdateHistoryActions.
  void ApplyCaptions();

  static const TActionSpec* Specs(int* count);

 private:
  std::map<QString, QAction*> actions_;
  QActionGroup* viewStyles_ = nullptr;
};

}  // namespace glimr
