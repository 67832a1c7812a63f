#pragma once
// The main window's aOptions: the dialog filled from the settings, shown
// modally, and on OK every change applied at once.

#include <optional>

#include "common/settings.h"
#include "options/optionsapply.h"

namespace glimr {

class TfrmOptions;

// Nothing on Cancel (no setting changes); on OK what ApplyOptions did.
std::optional<TOptionsOutcome> OptionsExecute(TfrmOptions& dialog, TSettings& settings,
                                              const TOptionsHooks& hooks);

}  // namespace glimr
