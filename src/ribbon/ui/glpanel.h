#pragma once
// TGlPanel: the panel that owns the ribbon's OpenGL context: a compatibility
// context (fixed function, display lists, selection mode), the fixed camera
// and a viewport letterboxed to height / width = 0.525. It draws nothing
// itself; its owner draws through OnPaint.

#include <QColor>
#include <QOpenGLWidget>

#include <functional>

#include "ribbon/ribbonmath.h"

namespace glimr {

enum class TTextureResizeFilter { glLinear, glNearest };

class TGlPanel : public QOpenGLWidget {
  Q_OBJECT

 public:
  explicit TGlPanel(QWidget* parent = nullptr);
  ~TGlPanel() override;

  bool EnableColorMaterial = true;
  bool EnableDepthTest = true;
  bool EnableLighting = true;
  bool EnableTexturing = true;
  QColor BackColor = Qt::black;
  TTextureResizeFilter TextureMinFilter = TTextureResizeFilter::glLinear;
  TTextureResizeFilter TextureMagFilter = TTextureResizeFilter::glLinear;

  std::function<void()> OnInitGL;  // after InitGL, context current
  std::function<void()> OnPaint;   // draws the frame, context current
  std::function<void()> OnResize;  // after ResizeGL, context current

  // The letterboxed viewport in device pixels.
  TViewport Viewport() const { return viewport_; }
  // Client size in device pixels.
  int DeviceWidth() const;
  int DeviceHeight() const;
  bool IsInitialized() const { return initialized_; }
  // ResizeGL: applies the letterboxed viewport and the projection for the
  // current size (context current).
  void ResizeGL();

  // The fixed camera on the current projection matrix: frustum, look-at,
  // y scale and translation (the pick routine reuses it).
  static void LoadProjection();
  // A context that keeps the fixed-function pipeline.
  static QSurfaceFormat RibbonFormat();

 protected:
  void initializeGL() override;  // InitGL
  void resizeGL(int w, int h) override;
  void paintGL() override;

 private:
  TViewport viewport_;
  bool initialized_ = false;
};

}  // namespace glimr
