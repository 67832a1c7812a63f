#include "imaging/pluginregistration.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "common/regstore.h"
#include "imaging/imaginglog.h"
#include "imaging/plugins.h"

namespace glimr {

int RegisterShippedPlugins(RegStore& store, const QString& pluginsDir) {
  const QString root = kPluginsKey;
  const QStringList present = store.KeyExists(root) ? store.SubKeys(root) : QStringList();
  // A key that lists no plug-in at all is treated like a missing one: it is
  // what remains when every registered library has moved away (the loader
  // deletes the subkeys of libraries it cannot load), and a program without
  // any format is never what the user wants. A key Glimr filled gets the
  // shipped plug-ins it does not list yet (a newer version's formats); a
  // key someone filled with plug-ins of their own only is left alone.
  const bool ours = std::any_of(present.begin(), present.end(), [](const QString& name) {
    return name.startsWith(QLatin1String(kShippedPluginPrefix));
  });
  if (!present.isEmpty() && !ours)
    return 0;
  store.CreateKey(root);
  const QDir dir(pluginsDir);
  const QFileInfoList libraries =
      dir.entryInfoList({QStringLiteral("*.so")}, QDir::Files | QDir::Readable, QDir::Name);
  int added = 0;
  for (const QFileInfo& library : libraries) {
    const QString name = library.completeBaseName();
    if (present.contains(name) || (ours && !name.startsWith(QLatin1String(kShippedPluginPrefix))))
      continue;
    const QString key = root + QLatin1Char('\\') + name;
    const int priority =
        name == QLatin1String(kCatchAllPlugin) ? kCatchAllPluginPriority : kDedicatedPluginPriority;
    store.WriteDword(key, QStringLiteral("CanLoadPlugin"), 1);
    store.WriteDword(key, QStringLiteral("PluginPriority"), static_cast<quint32>(priority));
    store.WriteString(key, QStringLiteral("PluginFileName"), library.absoluteFilePath());
    ++added;
  }
  if (added > 0)
    qCInfo(lcImaging) << "registered" << added << "plug-ins from" << pluginsDir;
  return added;
}

}  // namespace glimr
