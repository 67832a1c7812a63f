#pragma once
// First-run registration of the plug-ins that ship beside the program, the
// way an installer would write them into the settings store.

#include <QString>

namespace glimr {

class RegStore;

// File name (without ".so") of the catch-all plug-in over Qt's readers,
// which is registered behind every dedicated decoder.
inline constexpr char kCatchAllPlugin[] = "glimr_qtformats";
// The file names of the plug-ins that ship with Glimr start with this.
inline constexpr char kShippedPluginPrefix[] = "glimr_";
inline constexpr int kDedicatedPluginPriority = 0;
inline constexpr int kCatchAllPluginPriority = 100;

// When the store has no plug-ins key yet, or the key lists no plug-in,
// adds one subkey per shared library in pluginsDir (named after the library,
// in name order) with CanLoadPlugin 1, the library's full path and its
// priority; returns the number added. A key that lists shipped plug-ins
// gets the shipped ones it lacks (the user's settings of the others stay);
// a key that lists only plug-ins of the user's own is left alone.
int RegisterShippedPlugins(RegStore& store, const QString& pluginsDir);

}  // namespace glimr
