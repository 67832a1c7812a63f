#pragma once
// The shown list's way to the thumbnail loader: stop, enqueue and start over
// the program's loader control, with the thumbnail size in force.

#include <cstdint>
#include <functional>

#include "browse/shownlist.h"

namespace glimr {

class TLoaderControl;

class TLoaderControlPort : public TLoaderPort {
 public:
  // thumbSize: the texture side the loader makes thumbnails at, asked at
  // every start (the Options dialog may change it).
  TLoaderControlPort(TLoaderControl& loader, std::function<std::int32_t()> thumbSize)
      : loader_(loader), thumbSize_(std::move(thumbSize)) {}

  void Stop() override;
  void Enqueue(const QStringList& keys) override;
  void Start() override;

 private:
  TLoaderControl& loader_;
  std::function<std::int32_t()> thumbSize_;
};

}  // namespace glimr
