#pragma once
// Fills a TShownList with given records through its real switch, for tests
// of anything that works on the shown list without a folder on disk.

#include <memory>
#include <utility>
#include <vector>

#include "browse/shownlist.h"

namespace glimr::test {

// A source that hands over records made by the test, in order.
class TGivenSource : public TShownSource {
 public:
  explicit TGivenSource(std::vector<TNewEntry> entries, TListSource kind = TListSource::Catalog,
                        QString folder = {})
      : entries_(std::move(entries)), kind_(kind), folder_(std::move(folder)) {}

  TListSource Kind() const override { return kind_; }
  QString Folder() const override { return folder_; }
  void Fill(TCurrentLists& lists, const TFillServices&, TFolderLoadReport&) override {
    for (TNewEntry& e : entries_) {
      lists.LoadedFiles.Append(e.Key, e.Record.release());
    }
    entries_.clear();
  }

 private:
  std::vector<TNewEntry> entries_;
  TListSource kind_;
  QString folder_;
};

// Shows the records in shown (sorted and filtered by its settings).
inline TFolderLoadReport ShowGiven(TShownList& shown, std::vector<TNewEntry> entries,
                                   TListSource kind = TListSource::Catalog,
                                   const QString& folder = {}) {
  TGivenSource source(std::move(entries), kind, folder);
  return shown.Show(source);
}

}  // namespace glimr::test
