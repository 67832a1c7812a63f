#include "ribbon/ui/accumbuffer.h"

#include <GL/gl.h>

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

namespace glimr {

namespace {

void SetNearest(GLuint texture) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace

TAccumBuffer::TAccumBuffer() = default;
TAccumBuffer::~TAccumBuffer() = default;

void TAccumBuffer::Resize(QSize deviceSize) {
  if (deviceSize == size_ && IsValid()) {
    return;
  }
  size_ = deviceSize;
  scene_.reset();
  if (deviceSize.isEmpty()) {
    return;
  }
  // The mean is taken by one texture unit per pass.
  GLint units = 0;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
  if (units < kPasses) {
    return;
  }
  QOpenGLFramebufferObjectFormat format;
  format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
  format.setInternalTextureFormat(GL_RGBA8);
  scene_ = std::make_unique<QOpenGLFramebufferObject>(deviceSize, format);
  for (int i = 1; i < kPasses; ++i) {
    scene_->addColorAttachment(deviceSize, GL_RGBA8);
  }
  if (!scene_->isValid() || scene_->textures().size() != kPasses) {
    scene_.reset();
    return;
  }
  for (GLuint texture : scene_->textures()) {
    SetNearest(texture);
  }
}

bool TAccumBuffer::IsValid() const {
  return scene_ != nullptr;
}

void TAccumBuffer::BeginPass(int pass) {
  if (scene_) {
    scene_->bind();
    glDrawBuffer(GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(pass));
  }
}

void TAccumBuffer::Return(unsigned targetFbo) {
  QOpenGLFunctions* f = QOpenGLContext::currentContext()->functions();
  f->glBindFramebuffer(GL_FRAMEBUFFER, targetFbo);
  if (!IsValid()) {
    return;
  }
  const QList<GLuint> textures = scene_->textures();
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glViewport(0, 0, size_.width(), size_.height());
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  // Unit 0 takes pass 0; unit i blends pass i into the mean of the passes
  // before it: mean_i = t_i / (i + 1) + mean_(i-1) x i / (i + 1).
  for (int i = 0; i < kPasses; ++i) {
    f->glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textures[i]);
    if (i == 0) {
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
      continue;
    }
    const GLfloat w = 1.0f / static_cast<GLfloat>(i + 1);
    const GLfloat weight[4] = {w, w, w, w};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, weight);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_INTERPOLATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_CONSTANT);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_INTERPOLATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_ALPHA, GL_CONSTANT);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, GL_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_ALPHA, GL_SRC_ALPHA);
  }
  const auto corner = [](GLfloat s, GLfloat t) {
    for (int i = 0; i < kPasses; ++i) {
      glMultiTexCoord2f(GL_TEXTURE0 + static_cast<GLenum>(i), s, t);
    }
    glVertex2f(s * 2 - 1, t * 2 - 1);
  };
  glBegin(GL_QUADS);
  corner(0, 0);
  corner(1, 0);
  corner(1, 1);
  corner(0, 1);
  glEnd();
  for (int i = kPasses - 1; i >= 0; --i) {
    f->glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

bool TAccumBuffer::CopyDepth(unsigned targetFbo) {
  QOpenGLExtraFunctions* f = QOpenGLContext::currentContext()->extraFunctions();
  if (!IsValid()) {
    f->glBindFramebuffer(GL_FRAMEBUFFER, targetFbo);
    return false;
  }
  // Errors left by earlier calls must not be taken for the blit's own.
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
  f->glBindFramebuffer(GL_READ_FRAMEBUFFER, scene_->handle());
  f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, targetFbo);
  f->glBlitFramebuffer(0, 0, size_.width(), size_.height(), 0, 0, size_.width(), size_.height(),
                       GL_DEPTH_BUFFER_BIT, GL_NEAREST);
  const bool ok = glGetError() == GL_NO_ERROR;
  f->glBindFramebuffer(GL_FRAMEBUFFER, targetFbo);
  return ok;
}

}  // namespace glimr
