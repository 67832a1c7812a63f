#pragma once
// The thumbnail maker over the format plug-ins: the plug-in's reduced decode
// where it offers one (the full decode otherwise), the power-of-two scaler,
// red first. Safe on several threads at once: the plug-ins serialize
// themselves where they need it.

#include "imaging/cache/thumbmaker.h"

namespace glimr {

class TPlugins;

class TPluginThumbMaker : public TThumbMaker {
 public:
  explicit TPluginThumbMaker(const TPlugins& plugins) : plugins_(plugins) {}
  std::optional<TMadeThumb> MakeThumb(const QString& path, std::int32_t thumbSize) override;

 private:
  const TPlugins& plugins_;
};

}  // namespace glimr
