#pragma once
// The ApplyCaptions routines of the windows, run by ApplyLanguage in a fixed
// order so that switching the language re-labels every window at run time.

#include <functional>
#include <map>

namespace glimr {

// The windows that label themselves, in the order ApplyLanguage visits them.
enum class TCaptionTarget {
  About,
  SizeUnits,
  CopyProgress,
  MainWindow,
  Options,
  OverwriteQuestion,
  CopyMoveTo,
  SearchProgress,
  CategoryChoice,
  FileTypes,
  SpecDimensions,
  SpecSizes,
  SpecDates,
  EditExternal,
  ExternalProgs,
  Viewer,
};

class TCaptionRegistry {
 public:
  using ApplyCaptions = std::function<void()>;

  // Registers (or replaces) a window's routine. The window runs it itself
  // once when it is created or first shown.
  void Register(TCaptionTarget target, ApplyCaptions applyCaptions);
  void Unregister(TCaptionTarget target);
  bool IsRegistered(TCaptionTarget target) const { return routines_.count(target) != 0; }

  // Runs every registered routine in the order of TCaptionTarget.
  void ApplyLanguage() const;

 private:
  std::map<TCaptionTarget, ApplyCaptions> routines_;
};

}  // namespace glimr
