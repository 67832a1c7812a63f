#include "options/ui/optionsexecute.h"

#include "options/ui/frmoptions.h"

namespace glimr {

std::optional<TOptionsOutcome> OptionsExecute(TfrmOptions& dialog, TSettings& settings,
                                              const TOptionsHooks& hooks) {
  dialog.Fill(settings);
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  const TSettings chosen = dialog.Chosen(settings);
  return ApplyOptions(CompareOptions(settings, chosen), chosen, settings, hooks);
}

}  // namespace glimr
