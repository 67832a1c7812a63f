#pragma once
// The plug-in set as the main window uses it: first-run registration and
// loading, the extensions to scan and the full-image decoder of the zoomed
// view. Kept apart so the window does not see the plug-in headers.

#include <QString>
#include <QStringList>

#include <memory>

#include "imaging/decode.h"

namespace glimr {

class RegStore;
class TPlugins;

void FreePluginSet(TPlugins* plugins);
struct TPluginsDeleter {
  void operator()(TPlugins* p) const { FreePluginSet(p); }
};
using TPluginSetPtr = std::unique_ptr<TPlugins, TPluginsDeleter>;

// Registers the plug-ins of pluginsDir when the store has none yet, then
// loads the set.
TPluginSetPtr LoadPluginSet(RegStore& store, const QString& pluginsDir);
// Every extension the set supplies, without the dot, in the set's order.
QStringList PluginExtensions(const TPlugins& plugins);
// Decodes a file through the set; nullptr when no plug-in reads it.
TDecodeFunction PluginDecoder(const TPlugins& plugins);

}  // namespace glimr
