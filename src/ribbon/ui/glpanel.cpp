#include "ribbon/ui/glpanel.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcGlPanel, "glimr.ribbon.gl")

TGlPanel::TGlPanel(QWidget* parent) : QOpenGLWidget(parent) {
  setFormat(RibbonFormat());
}

TGlPanel::~TGlPanel() = default;

QSurfaceFormat TGlPanel::RibbonFormat() {
  QSurfaceFormat f;
  f.setRenderableType(QSurfaceFormat::OpenGL);
  f.setVersion(2, 1);
  f.setProfile(QSurfaceFormat::CompatibilityProfile);
  // Without this Qt asks GLX for a forward-compatible context, Mesa answers
  // with a core profile and every fixed-function call fails.
  f.setOption(QSurfaceFormat::DeprecatedFunctions);
  f.setDepthBufferSize(24);
  f.setStencilBufferSize(0);
  f.setRedBufferSize(8);
  f.setGreenBufferSize(8);
  f.setBlueBufferSize(8);
  f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  return f;
}

int TGlPanel::DeviceWidth() const {
  return qRound(width() * devicePixelRatioF());
}
int TGlPanel::DeviceHeight() const {
  return qRound(height() * devicePixelRatioF());
}

void TGlPanel::LoadProjection() {
  glFrustum(-1.5, 1.5, -1.5, 1.5, 2, 12);
  gluLookAt(0, 0, 3, 0, 0, 0, 0, 0.1, 0);
  glScalef(1.0f, 1.90476f, 1.0f);
  glTranslatef(0, -1, -1);
}

void TGlPanel::initializeGL() {
  const QSurfaceFormat f = context()->format();
  if (f.profile() == QSurfaceFormat::CoreProfile) {
    ShowError("Error: ", "SetPixelFormat failed");
    return;
  }
  qCDebug(lcGlPanel) << "context" << f.majorVersion() << f.minorVersion() << f.profile()
                     << reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  glClearColor(BackColor.red() / 255.0f, BackColor.green() / 255.0f, BackColor.blue() / 255.0f,
               0.0f);
  ResizeGL();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  if (EnableColorMaterial) {
    glEnable(GL_COLOR_MATERIAL);
  }
  if (EnableDepthTest) {
    glEnable(GL_DEPTH_TEST);
  }
  if (EnableLighting) {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat position[] = {0, 3, 3, 1};
    const GLfloat direction[] = {-1, -1, -3};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, direction);
  }
  if (EnableTexturing) {
    const auto filter = [](TTextureResizeFilter t) {
      return t == TTextureResizeFilter::glNearest ? GL_NEAREST : GL_LINEAR;
    };
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter(TextureMinFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter(TextureMagFilter));
    glEnable(GL_TEXTURE_2D);
  }
  initialized_ = true;
  if (OnInitGL) {
    OnInitGL();
  }
}

void TGlPanel::ResizeGL() {
  viewport_ = ViewportFor(DeviceWidth(), DeviceHeight());
  glViewport(viewport_.X, viewport_.Y, viewport_.Width, viewport_.Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  LoadProjection();
  glMatrixMode(GL_MODELVIEW);
}

void TGlPanel::resizeGL(int, int) {
  if (!initialized_) {
    return;
  }
  ResizeGL();
  if (OnResize) {
    OnResize();
  }
}

void TGlPanel::paintGL() {
  if (!initialized_) {
    return;
  }
  // Qt resets the viewport to the whole widget before every paint.
  ResizeGL();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (OnPaint) {
    OnPaint();
  } else {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
}

}  // namespace glimr
