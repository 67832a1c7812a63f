#pragma once
// A column of collapsible sections, each a header button over one frame:
// the Search page's Files, Catalogs, Categories and Properties, and the
// five property frames inside Properties. Closing a section only hides its
// frame; the frame lives as long as the panel.

#include <QWidget>

class QToolButton;
class QVBoxLayout;

namespace glimr {

class TSectionPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TSectionPanel(QWidget* parent = nullptr);

  // Adds frame under a new open header named buttonName; the panel takes
  // the frame. Returns the header, whose text the owner sets.
  QToolButton* AddSection(QWidget* frame, const QString& buttonName);

 private:
  QVBoxLayout* layout_ = nullptr;
};

}  // namespace glimr
