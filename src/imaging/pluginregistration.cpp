#include "imaging/pluginregistration.h"

#include <QDir>
#include <QFileInfo>

#include "common/regstore.h"
#include "imaging/imaginglog.h"
#include "imaging/plugins.h"

namespace glimr {

int RegisterShippedPlugins(RegStore& store, const QString& pluginsDir) {
  const QString root = kPluginsKey;
  // A key that lists no plug-in at all is treated like a missing one: it is
  // what remains when every registered library has moved away (the loader
  // deletes the subkeys of libraries it cannot load), and a program without
  // any format is never what the user wants.
  if (store.KeyExists(root) && !store.SubKeys(root).isEmpty())
    return 0;
  store.CreateKey(root);
  const QDir dir(pluginsDir);
  const QFileInfoList libraries =
      dir.entryInfoList({QStringLiteral("*.so")}, QDir::Files | QDir::Readable, QDir::Name);
  int added = 0;
  for (const QFileInfo& library : libraries) {
    const QString name = library.completeBaseName();
    const QString key = root + QLatin1Char('\\') + name;
    const int priority =
        name == QLatin1String(kCatchAllPlugin) ? kCatchAllPluginPriority : kDedicatedPluginPriority;
    store.WriteDword(key, QStringLiteral("CanLoadPlugin"), 1);
    store.WriteDword(key, QStringLiteral("PluginPriority"), static_cast<quint32>(priority));
    store.WriteString(key, QStringLiteral("PluginFileName"), library.absoluteFilePath());
    ++added;
  }
  qCInfo(lcImaging) << "registered" << added << "plug-ins from" << pluginsDir;
  return added;
}

}  // namespace glimr
