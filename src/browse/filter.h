#pragma once
// The filter criteria (name mask, ratings, categories) and ApplyFilter, which
// rebuilds the shown list from the loaded one.

#include <QList>
#include <QString>

namespace glimr {

class TFileList;

struct TFilterSettings {
  bool Active = false;    // "Use Filter"
  QString NameText;       // the name edit's text; the mask is "*" + text + "*"
  QList<int> Ratings;     // chosen ratings, 0 = "No Rating"; none chosen = any
  QList<int> Categories;  // chosen category IDs, 0 = "No Categories"; none = any
};

// Makes destination refer to the entries of source, in order, that pass the
// filter; folder entries always pass. A name text that is not a well-formed
// mask leaves the name test passed, finishes the list, then raises the mask's
// GlimrError so the caller can show it with the lists consistent.
void ApplyFilter(const TFileList& source, TFileList& destination, const TFilterSettings& filter);

}  // namespace glimr
