#pragma once
// The accumulation buffer the antialiasing passes need: one frame buffer
// object with a colour texture per pass (RGBA8) and a shared depth buffer.
// Each pass draws into its own texture; return draws the mean of all passes
// into the target in one multitextured quad, so the passes never wait for
// each other and nothing is blended into a float buffer. Qt renders the
// widget into its own FBO and offers no accumulation bits.

#include <QSize>

#include <memory>

class QOpenGLFramebufferObject;

namespace glimr {

class TAccumBuffer {
 public:
  static constexpr int kPasses = 4;

  TAccumBuffer();
  ~TAccumBuffer();
  TAccumBuffer(const TAccumBuffer&) = delete;
  TAccumBuffer& operator=(const TAccumBuffer&) = delete;

  // Sizes the buffers to the client area in device pixels (context current).
  void Resize(QSize deviceSize);
  bool IsValid() const;

  // Binds the buffer of pass 0..kPasses-1: the next drawing goes into it.
  void BeginPass(int pass);
  // Binds the target frame buffer and draws the mean of the kPasses passes
  // into it (each weighs 1 / kPasses).
  void Return(unsigned targetFbo);
  // Copies the depth the last pass left behind into the target frame buffer
  // (bound afterwards). False when the GL refuses (depth formats differ).
  bool CopyDepth(unsigned targetFbo);

 private:
  QSize size_;
  std::unique_ptr<QOpenGLFramebufferObject> scene_;
};

}  // namespace glimr
