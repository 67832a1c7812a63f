#pragma once
// The set of format plug-ins registered in the settings store: loads them in
// priority order and keeps the extension map that tells which extensions
// exist and which plug-in decodes each. Read-only after LoadPlugins. The
// free functions at the end are the set as the main window uses it:
// first-run registration and loading, the extensions to scan and the
// full-image decoder of the zoomed view.

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

#include "common/settings.h"  // kPluginsKey, the plug-in list in the store
#include "imaging/decode.h"
#include "imaging/plugin.h"

namespace glimr {

class RegStore;

class TPlugins {
 public:
  // shippedDir: the running program's own plug-ins folder. A registered
  // library of the same file name found there is loaded from there, so a
  // build and an installed copy sharing one settings file each load their
  // own libraries.
  explicit TPlugins(RegStore& store, QString shippedDir = {});
  ~TPlugins();
  TPlugins(const TPlugins&) = delete;
  TPlugins& operator=(const TPlugins&) = delete;

  // Reads the plug-ins key (creating it when missing), loads every plug-in
  // it allows, deletes the subkeys of libraries that fail to load, orders
  // the set by priority and rebuilds the extension map.
  void LoadPlugins();

  int ExtensionCount() const { return static_cast<int>(extensions_.size()); }
  // The extension at that position of the map; "" out of range.
  QString ExtensionAt(int index) const;
  // The plug-in that decodes the extension (no dot, any case), or nullptr.
  TPlugin* PluginForExtension(const QString& extension) const;

  // The loaded plug-ins, lowest priority value first.
  int Count() const { return static_cast<int>(plugins_.size()); }
  TPlugin* PluginAt(int index) const;
  const QString& PluginNameAt(int index) const { return plugins_.at(index).first; }

  // Clears every owner, then walks the list giving each extension the first
  // plug-in that supplies it. Entries are never removed, so the map keeps
  // the order in which extensions first appeared.
  void RebuildExtensionMap();

 private:
  struct ExtEntry {
    QString extension;
    TPlugin* owner = nullptr;
  };

  RegStore& store_;
  QString shippedDir_;
  std::vector<std::pair<QString, std::unique_ptr<TPlugin>>> plugins_;
  std::vector<ExtEntry> extensions_;
  QHash<QString, int> extensionIndex_;  // upper-case extension -> position
};

using TPluginSetPtr = std::unique_ptr<TPlugins>;

// Registers the plug-ins of pluginsDir when the store has none yet, then
// loads the set.
TPluginSetPtr LoadPluginSet(RegStore& store, const QString& pluginsDir);
// Every extension the set supplies, without the dot, in the set's order.
QStringList PluginExtensions(const TPlugins& plugins);
// Decodes a file through the set; a null image when no plug-in reads it.
// The set must outlive the function.
TDecodeFunction PluginDecoder(const TPlugins& plugins);

}  // namespace glimr
