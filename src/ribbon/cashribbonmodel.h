#pragma once
// The ribbon's view of the program: CurrentFiles, the thumbnail cache (an
// entry pinned while a slot shows it), LoadQueue through the loader control
// and the file list view's focus, reached through two small callbacks.

#include <QHash>

#include <functional>

#include "ribbon/ribbonmodel.h"

namespace glimr {

class TCash;
class TFileList;
class TLoaderControl;

class TCashRibbonModel : public TRibbonModel {
 public:
  // The file list view's focused row and focus request (row, select alone).
  struct TListFocus {
    std::function<int()> FocusedRow;
    std::function<void(int row, bool selectAlone)> FocusRow;
  };

  TCashRibbonModel(const TFileList& currentFiles, TCash* cache, TLoaderControl* loader,
                   TListFocus focus);

  void SetCache(TCash* cache, TLoaderControl* loader);
  void SetFocus(TListFocus focus) { focus_ = std::move(focus); }
  // How many slots pin cache entries right now.
  int PinnedCount() const;

  int Count() const override;
  TImageFileInfo* FileAt(int index) override;
  int IndexOf(const QString& path) const override;
  bool ContainsThumb(const QString& path) const override;
  std::unique_ptr<TPinnedThumb> PinThumb(const QString& path) override;
  void LoadImageFirst(const QString& path) override;
  int FocusedRow() const override;
  void FocusRow(int row, TRibbonFocus how) override;

 private:
  const TFileList& files_;
  TCash* cache_;
  TLoaderControl* loader_;
  TListFocus focus_;
  // Pins per path: an entry stays in use until its last slot lets it go.
  std::shared_ptr<QHash<QString, int>> pins_;
};

}  // namespace glimr
