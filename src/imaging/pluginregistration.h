#pragma once
// First-run registration of the plug-ins that ship beside the program, the
// way an installer would write them into the settings store.

#include <QString>

namespace glimr {

class RegStore;

// File name (without ".so") of the catch-all plug-in over Qt's readers,
// which is registered behind every dedicated decoder.
inline constexpr char kCatchAllPlugin[] = "glimr_qtformats";
inline constexpr int kDedicatedPluginPriority = 0;
inline constexpr int kCatchAllPluginPriority = 100;

// When the store has no plug-ins key yet, or the key lists no plug-in,
// adds one subkey per shared library in pluginsDir (named after the library,
// in name order) with CanLoadPlugin 1, the library's full path and its
// priority; returns the number added. A key with any subkey is left alone.
int RegisterShippedPlugins(RegStore& store, const QString& pluginsDir);

}  // namespace glimr
