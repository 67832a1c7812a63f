#include "organize/reapplyfilter.h"

#include "common/errors.h"

namespace glimr {

TReapplyHooks ReapplyHooksFrom(const TFolderLoadHooks& hooks) {
  TReapplyHooks out;
  out.StopLoader = hooks.StopLoader;
  out.FreezeView = hooks.FreezeView;
  out.ShowList = hooks.ShowList;
  out.QueueImages = hooks.QueueImages;
  out.StartLoader = hooks.StartLoader;
  return out;
}

TReapplyReport ReapplyFilter(TCurrentLists& lists, const TFilterSettings& filter,
                             const TReapplyHooks& hooks) {
  TReapplyReport report;
  // The loader reads CurrentFiles' keys and records: it must be idle while
  // the list is rebuilt.
  if (hooks.StopLoader) {
    hooks.StopLoader();
  }
  if (hooks.FreezeView) {
    hooks.FreezeView();
  }
  try {
    ApplyFilter(lists.LoadedFiles, lists.CurrentFiles, filter);
  } catch (const GlimrError& e) {
    // ApplyFilter finished the list with the name test passed; only the
    // message is left to give, once for the whole rebuild.
    report.MaskError = e.message();
  }
  // The view restores its selection from the records' marks: a rebuilt list
  // starts with nothing selected, hidden entries included.
  const TFileList& loaded = lists.LoadedFiles;
  for (int i = 0; i < loaded.Count(); ++i) {
    loaded.At(i)->Selected = false;
  }
  if (hooks.ResetRibbon) {
    hooks.ResetRibbon();
  }
  const TFileList& current = lists.CurrentFiles;
  report.Count = current.Count();
  if (hooks.ShowList) {
    hooks.ShowList(report.Count);
  }
  QStringList keys;
  for (int i = 0; i < current.Count() && i < TFolderLoader::kQueueCount; ++i) {
    if (!current.At(i)->IsFolder) {
      keys.append(current.Key(i));
    }
  }
  // Folder entries have no thumbnail to load: with no image among the
  // first entries the loader stays stopped.
  if (!keys.isEmpty()) {
    if (hooks.QueueImages) {
      hooks.QueueImages(keys);
    }
    if (hooks.StartLoader) {
      hooks.StartLoader();
    }
  }
  if (hooks.ShowRibbon) {
    hooks.ShowRibbon();
  }
  if (!report.MaskError.isEmpty()) {
    ShowError(report.MaskError);
  }
  return report;
}

}  // namespace glimr
