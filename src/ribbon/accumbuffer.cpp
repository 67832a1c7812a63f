#include "ribbon/accumbuffer.h"

#include <GL/gl.h>

#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

#ifndef GL_RGBA16F
#define GL_RGBA16F 0x881A
#endif
#ifndef GL_CONSTANT_COLOR
#define GL_CONSTANT_COLOR 0x8001
#endif

namespace glimr {

TAccumBuffer::TAccumBuffer() = default;
TAccumBuffer::~TAccumBuffer() = default;

void TAccumBuffer::Resize(QSize deviceSize) {
  if (deviceSize == size_ && IsValid()) {
    return;
  }
  size_ = deviceSize;
  scene_.reset();
  accum_.reset();
  if (deviceSize.isEmpty()) {
    return;
  }
  QOpenGLFramebufferObjectFormat sceneFormat;
  sceneFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
  sceneFormat.setInternalTextureFormat(GL_RGBA8);
  scene_ = std::make_unique<QOpenGLFramebufferObject>(deviceSize, sceneFormat);
  QOpenGLFramebufferObjectFormat accumFormat;
  accumFormat.setAttachment(QOpenGLFramebufferObject::NoAttachment);
  accumFormat.setInternalTextureFormat(GL_RGBA16F);
  accum_ = std::make_unique<QOpenGLFramebufferObject>(deviceSize, accumFormat);
  if (!scene_->isValid() || !accum_->isValid()) {
    scene_.reset();
    accum_.reset();
  }
}

bool TAccumBuffer::IsValid() const {
  return scene_ && accum_;
}

void TAccumBuffer::BeginPass() {
  if (scene_) {
    scene_->bind();
  }
}

void TAccumBuffer::DrawTexture(unsigned texture, float value, bool add) {
  QOpenGLFunctions* f = QOpenGLContext::currentContext()->functions();
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  f->glBlendColor(value, value, value, value);
  glBlendFunc(GL_CONSTANT_COLOR, add ? GL_ONE : GL_ZERO);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(-1, -1);
  glTexCoord2f(1, 0);
  glVertex2f(1, -1);
  glTexCoord2f(1, 1);
  glVertex2f(1, 1);
  glTexCoord2f(0, 1);
  glVertex2f(-1, 1);
  glEnd();
  glBindTexture(GL_TEXTURE_2D, 0);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

void TAccumBuffer::Fold(float value, bool add) {
  if (!IsValid()) {
    return;
  }
  accum_->bind();
  glPushAttrib(GL_VIEWPORT_BIT);
  glViewport(0, 0, size_.width(), size_.height());
  DrawTexture(scene_->texture(), value, add);
  glPopAttrib();
}

void TAccumBuffer::Return(float value, unsigned targetFbo) {
  QOpenGLFunctions* f = QOpenGLContext::currentContext()->functions();
  f->glBindFramebuffer(GL_FRAMEBUFFER, targetFbo);
  if (!IsValid()) {
    return;
  }
  glPushAttrib(GL_VIEWPORT_BIT);
  glViewport(0, 0, size_.width(), size_.height());
  DrawTexture(accum_->texture(), value, false);
  glPopAttrib();
}

}  // namespace glimr
