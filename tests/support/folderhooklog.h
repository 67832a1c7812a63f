#pragma once
// A record of what a load's hooks were asked to do (stop, freeze, show,
// queue, start), for tests of anything that fills the current lists through
// TFolderLoadHooks.

#include <QStringList>

#include <cstdint>

#include "browse/folderloader.h"

namespace glimr::test {

struct THookLog {
  QStringList calls;
  QStringList queued;
  int shown = -1;
  // extensionIndex: what the ExtensionIndex hook answers for every path.
  TFolderLoadHooks Hooks(std::int32_t extensionIndex = 0) {
    TFolderLoadHooks h;
    h.StopLoader = [this] { calls << QStringLiteral("stop"); };
    h.FreezeView = [this] { calls << QStringLiteral("freeze"); };
    h.ShowList = [this](int count) {
      calls << QStringLiteral("show");
      shown = count;
    };
    h.QueueImages = [this](const QStringList& keys) { queued = keys; };
    h.StartLoader = [this] { calls << QStringLiteral("start"); };
    h.ExtensionIndex = [extensionIndex](const QString&) { return extensionIndex; };
    return h;
  }
};

}  // namespace glimr::test
