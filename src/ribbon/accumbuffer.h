#pragma once
// The accumulation buffer the antialiasing passes need, made of two frame
// buffer objects: each pass draws into an RGBA8 scene buffer, which is then
// folded into an RGBA16F accumulation buffer with a constant blend factor
// (load: replace, accumulate: add); return draws the sum back. Qt renders
// the widget into its own FBO and offers no accumulation bits.

#include <QSize>

#include <memory>

class QOpenGLFramebufferObject;

namespace glimr {

class TAccumBuffer {
 public:
  TAccumBuffer();
  ~TAccumBuffer();
  TAccumBuffer(const TAccumBuffer&) = delete;
  TAccumBuffer& operator=(const TAccumBuffer&) = delete;

  // Sizes both buffers to the client area in device pixels (context current).
  void Resize(QSize deviceSize);
  bool IsValid() const;

  // Binds the scene buffer: the next pass draws into it.
  void BeginPass();
  // Folds the scene buffer into the accumulation buffer: value x scene,
  // replacing (load) or adding to (accumulate) what is there.
  void Load(float value) { Fold(value, false); }
  void Accum(float value) { Fold(value, true); }
  // Binds the target frame buffer and draws value x the accumulation into it.
  void Return(float value, unsigned targetFbo);

 private:
  void Fold(float value, bool add);
  static void DrawTexture(unsigned texture, float value, bool add);

  QSize size_;
  std::unique_ptr<QOpenGLFramebufferObject> scene_;
  std::unique_ptr<QOpenGLFramebufferObject> accum_;
};

}  // namespace glimr
