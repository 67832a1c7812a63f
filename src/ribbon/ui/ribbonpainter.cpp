#include "ribbon/ui/ribbonpainter.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QFontMetrics>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>

#include "catalog/imagefileinfo.h"
#include "common/errors.h"
#include "common/numeric.h"
#include "ribbon/ui/accumbuffer.h"
#include "ribbon/ui/captionglyphs.h"
#include "ribbon/ui/glpanel.h"

namespace glimr {

namespace {

// The 4-sample jitter table of the classic accumulation examples (pixels).
constexpr double kJitter[4][2] = {
    {-0.208147, 0.353730},
    {0.203849, -0.353780},
    {-0.292626, -0.149945},
    {0.296924, 0.149994},
};

QByteArray Utf8(const QString& s) {
  return s.toUtf8();
}

}  // namespace

TRibbonPainter::TRibbonPainter(TGlPanel& panel, TRibbon& ribbon, const TRibbonSettings& settings,
                               TCaptionGlyphs& glyphs, TAccumBuffer& accum,
                               const TGlTextureNames& textures)
    : panel_(panel),
      ribbon_(ribbon),
      settings_(settings),
      glyphs_(glyphs),
      accum_(accum),
      textures_(textures) {}

unsigned TRibbonPainter::GlName(std::uint32_t name) const {
  return name < textures_.size() ? textures_[name] : 0;
}

void TRibbonPainter::Place(const TSlotPlace& p) {
  glRotated(p.Angle, 0, 1, 0);
  glTranslated(0, 0, -p.D);
}

void TRibbonPainter::Jitter(int i) {
  const TViewport v = panel_.Viewport();
  if (v.Width <= 0 || v.Height <= 0) {
    return;
  }
  glTranslatef(static_cast<float>(kJitter[i][0] * 4.5 / v.Width),
               static_cast<float>(kJitter[i][1] * 4.5 / v.Height), 0.0f);
}

// Moves the current matrix onto a slot's picture: a thumbnail is lifted and
// turned by its angles, busy and folder pictures stand upright on the floor.
void TRibbonPainter::PlaceSlot(const TImageInfo& slot, const THalfExtents& e, double z) {
  if (slot.HasThumb) {
    glTranslated(0, Lift(e, slot.AngleZ), z);
    glRotated(slot.AngleY, 0, -1, 0);
    glRotated(slot.AngleX, slot.FlipAboutY ? 1 : -1, 0, 0);
    glRotated(slot.AngleZ, 0, 0, -1);
  } else {
    glTranslated(0, e.Hh, z);
  }
}

void TRibbonPainter::DrawOnePlane(const TImageInfo& slot, bool front, double a, double b,
                                  bool blend) {
  const double fade = FadeFactor(static_cast<int>(slot.State), slot.Counter);
  a *= fade;
  b *= fade;
  const TImageFileInfo* r = ribbon_.Model().FileAt(slot.ListIndex);
  const bool frame = front && r != nullptr && r->Selected;
  const std::uint32_t texture =
      slot.State == TSlotState::Waiting
          ? static_cast<std::uint32_t>(kBusyBase + std::clamp(slot.Counter, 1, 10))
          : slot.TextureName;
  glBindTexture(GL_TEXTURE_2D, GlName(texture));
  const THalfExtents e = HalfExtents(slot.Aspect, slot.Size);
  glPushMatrix();
  // The gradient follows the turn only of a turned picture; busy pictures
  // and folders stand upright whatever angle their record holds.
  PlaceSlot(slot, e, 0);
  const double gradZ = slot.HasThumb ? slot.AngleZ : 0;
  const double gradX = slot.HasThumb ? slot.AngleX : 0;
  const double corners[4][4] = {
      {-e.Hw, -e.Hh, 0, 0}, {e.Hw, -e.Hh, 1, 0}, {e.Hw, e.Hh, 1, 1}, {-e.Hw, e.Hh, 0, 1}};
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    const double t = GradientFactor(gradZ, kCornerK[i], gradX);
    const double c = b + t * (a - b);
    glColor3d(c, c, c);
    glTexCoord2d(corners[i][2], corners[i][3]);
    glVertex3d(corners[i][0], corners[i][1], 0);
  }
  glEnd();
  if (frame) {
    const double q = FrameZOffset(slot.AngleX, slot.AngleY);
    const double w = 0.04;
    glDisable(GL_TEXTURE_2D);
    if (blend) {
      glEnable(GL_BLEND);
    }
    glColor4d(1, 1, 1, 0.5);
    glBegin(GL_QUADS);
    // top, bottom, left, right strips just inside the edges
    glVertex3d(-e.Hw, e.Hh, q);
    glVertex3d(e.Hw, e.Hh, q);
    glVertex3d(e.Hw, e.Hh - w, q);
    glVertex3d(-e.Hw, e.Hh - w, q);
    glVertex3d(-e.Hw, -e.Hh + w, q);
    glVertex3d(e.Hw, -e.Hh + w, q);
    glVertex3d(e.Hw, -e.Hh, q);
    glVertex3d(-e.Hw, -e.Hh, q);
    glVertex3d(-e.Hw, e.Hh - w, q);
    glVertex3d(-e.Hw + w, e.Hh - w, q);
    glVertex3d(-e.Hw + w, -e.Hh + w, q);
    glVertex3d(-e.Hw, -e.Hh + w, q);
    glVertex3d(e.Hw - w, e.Hh - w, q);
    glVertex3d(e.Hw, e.Hh - w, q);
    glVertex3d(e.Hw, -e.Hh + w, q);
    glVertex3d(e.Hw - w, -e.Hh + w, q);
    glEnd();
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
  }
  glPopMatrix();
}

void TRibbonPainter::DrawThumbnails(bool select, bool reflected, double top, double bottom) {
  try {
    const auto places = ribbon_.Layout();
    for (int k = 0; k < kSlotCount; ++k) {
      if (places[k].LaidOut) {
        slotPositions_[k] = places[k].X;
      }
    }
    static constexpr int kOrder[kSlotCount] = {4, 3, 2, 1, 0, 5, 6, 7, 8};
    // The pictures are opaque (RGB textures, alpha 1), so blending would
    // only read back the buffer for nothing; the half-transparent frames
    // still blend.
    const bool blend = glIsEnabled(GL_BLEND) == GL_TRUE;
    glDisable(GL_BLEND);
    const auto restoreBlend = qScopeGuard([blend] {
      if (blend) {
        glEnable(GL_BLEND);
      }
    });
    for (int k : kOrder) {
      const TImageInfo* slot = ribbon_.Slots[k].get();
      if (!places[k].LaidOut || slot == nullptr || !slot->Loaded) {
        continue;
      }
      if (select) {
        glLoadName(static_cast<GLuint>(k + 1));
      }
      glPushMatrix();
      Place(places[k]);
      DrawOnePlane(*slot, !reflected, top * places[k].Dim, bottom * places[k].Dim, blend);
      glPopMatrix();
    }
  } catch (const std::exception& e) {
    throw GlimrError(QString::asprintf(
        "DrawThumbnails(%d, %f, %f, %s):\n\r%s", select ? GL_SELECT : GL_RENDER, top, bottom,
        reflected ? "TRUE" : "FALSE", Utf8(ErrorText(e)).constData()));
  }
}

void TRibbonPainter::DrawCaptions(double brightness) {
  const auto places = ribbon_.Layout();
  for (int k = 0; k < kSlotCount; ++k) {
    if (!places[k].LaidOut) {
      continue;
    }
    slotPositions_[k] = places[k].X;
    const TImageInfo* slot = ribbon_.Slots[k].get();
    if (slot == nullptr || !slot->Loaded) {
      continue;
    }
    glPushMatrix();
    Place(places[k]);
    DrawCaption(*slot, brightness * places[k].Dim *
                           FadeFactor(static_cast<int>(slot->State), slot->Counter));
    glPopMatrix();
  }
}

void TRibbonPainter::DrawCaption(const TImageInfo& slot, double f) {
  if (!settings_.ShowCaptionsText || !glyphs_.IsBuilt()) {
    return;
  }
  glPushMatrix();
  glDisable(GL_TEXTURE_2D);
  const QSize extent = CaptionExtent(slot.Caption);
  const double tw = extent.width();
  const double th = extent.height();
  glTranslated(-tw / 150.0, -th / 150.0, 0.1);
  glScaled(0.17, 0.17, 0.17);
  glColor3d(settings_.Cap.red() / 255.0 * f * 0.8, settings_.Cap.green() / 255.0 * f * 0.8,
            settings_.Cap.blue() / 255.0 * f * 0.8);
  glyphs_.Draw(slot.Caption);
  glEnable(GL_TEXTURE_2D);
  glPopMatrix();
}

QSize TRibbonPainter::CaptionExtent(const QString& caption) {
  const QFont& font = panel_.font();
  if (captionHeight_ == 0 || font != measuredFont_) {
    measuredFont_ = font;
    captionWidths_.clear();
    captionHeight_ = QFontMetrics(font).height();
  }
  auto it = captionWidths_.constFind(caption);
  if (it == captionWidths_.cend()) {
    // Bounded by the captions seen with this font; forget them all at a
    // generous size rather than track which slots still show them.
    if (captionWidths_.size() > 4096) {
      captionWidths_.clear();
    }
    it = captionWidths_.insert(caption, QFontMetrics(measuredFont_).horizontalAdvance(caption));
  }
  return QSize(it.value(), captionHeight_);
}

void TRibbonPainter::DrawHalos(double brightness) {
  if (!settings_.ShowHalo) {
    return;
  }
  const double v = ribbon_.ViewPosition;
  for (int k : HaloOrder(slotPositions_[4], slotPositions_[5], v)) {
    const TImageInfo* slot = ribbon_.Slots[k].get();
    if (slot == nullptr || !slot->Loaded || slot->Highlight <= 0) {
      continue;
    }
    glPushMatrix();
    Place(PlaceFromPosition(k, slotPositions_[k], v));
    DrawHalo(k + 1, brightness * slot->Highlight);
    glPopMatrix();
  }
}

void TRibbonPainter::DrawHalo(int n, double f) {
  const TImageInfo& slot = *ribbon_.Slots[n - 1];
  glDisable(GL_TEXTURE_2D);
  const THalfExtents e = HalfExtents(slot.Aspect, slot.Size);
  const double hw = e.Hw;
  const double hh = e.Hh;
  glPushMatrix();
  PlaceSlot(slot, e, 0.0001);
  const double hr = settings_.Halo.red() / 255.0;
  const double hg = settings_.Halo.green() / 255.0;
  const double hb = settings_.Halo.blue() / 255.0;
  const auto inner = [&](double alpha) {
    glColor4d(hr * f * 0.8, hg * f * 0.8, hb * f * 0.8, alpha);
  };
  const auto outer = [&] { glColor4d(hr * f * 0.3, hg * f * 0.3, hb * f * 0.3, 0.0); };
  const double ed = 0.1;
  const double sx = std::sin(M_PI / 4) * 0.1;
  const double cy = std::cos(M_PI / 4) * 0.1;
  glBegin(GL_QUADS);
  inner(0.3 * f);
  glVertex2d(-hw, -hh);
  glVertex2d(hw, -hh);
  glVertex2d(hw, hh);
  glVertex2d(-hw, hh);
  // Edge strips: two inner points on the edge, two outer points beyond it.
  const double strips[4][8] = {
      {-hw, hh, hw, hh, hw, hh + ed, -hw, hh + ed},
      {-hw, hh, -hw, -hh, -hw - ed, -hh, -hw - ed, hh},
      {hw, hh, hw, -hh, hw + ed, -hh, hw + ed, hh},
      {-hw, -hh, hw, -hh, hw, -hh - ed, -hw, -hh - ed},
  };
  for (const auto& s : strips) {
    inner(0.5 * f);
    glVertex2d(s[0], s[1]);
    glVertex2d(s[2], s[3]);
    outer();
    glVertex2d(s[4], s[5]);
    glVertex2d(s[6], s[7]);
  }
  // Corner pieces: the corner, then three points around it.
  const double corners[4][8] = {
      {-hw, hh, -hw - ed, hh, -hw - sx, hh + cy, -hw, hh + ed},
      {hw, hh, hw + ed, hh, hw + sx, hh + cy, hw, hh + ed},
      {-hw, -hh, -hw - ed, -hh, -hw - sx, -hh - cy, -hw, -hh - ed},
      {hw, -hh, hw + ed, -hh, hw + sx, -hh - cy, hw, -hh - ed},
  };
  for (const auto& c : corners) {
    inner(0.5 * f);
    glVertex2d(c[0], c[1]);
    outer();
    glVertex2d(c[2], c[3]);
    glVertex2d(c[4], c[5]);
    glVertex2d(c[6], c[7]);
  }
  glEnd();
  glPopMatrix();
  glEnable(GL_TEXTURE_2D);
}

int TRibbonPainter::Pick(int deviceX, int deviceY) {
  GLuint buffer[128] = {};
  glSelectBuffer(128, buffer);
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(0);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPickMatrix(deviceX, panel_.DeviceHeight() - deviceY, 1, 1, viewport);
  TGlPanel::LoadProjection();
  glMatrixMode(GL_MODELVIEW);
  // Back in render mode, whether the pass finished or threw, the panel's
  // projection comes back without the pick window.
  const auto restoreProjection = qScopeGuard([] {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    TGlPanel::LoadProjection();
    glMatrixMode(GL_MODELVIEW);
  });
  try {
    DrawThumbnails(true, false, 1.0, 1.0);
  } catch (...) {
    glRenderMode(GL_RENDER);
    throw;
  }
  const GLint hits = glRenderMode(GL_RENDER);
  return hits > 0 ? static_cast<int>(buffer[3]) : -1;
}

int TRibbonPainter::DoSelect(int x, int y) {
  if (!panel_.IsInitialized()) {
    return -1;
  }
  try {
    panel_.makeCurrent();
    panel_.ResizeGL();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const float z = static_cast<float>(ribbon_.Zoom.Zoom);
    glScalef(z, z, z);
    const double dpr = panel_.devicePixelRatioF();
    const int result =
        Pick(static_cast<int>(std::lround(x * dpr)), static_cast<int>(std::lround(y * dpr)));
    glPopMatrix();
    return result;
  } catch (const std::exception& e) {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    ShowError(QString::asprintf("DoSelect(%d, %d):\n\r%s", x, y, Utf8(ErrorText(e)).constData()));
    return -1;
  }
}

QRect TRibbonPainter::ZoomStartRect() {
  const TImageInfo* slot = ribbon_.Slots[kCentreSlot].get();
  if (slot == nullptr || !panel_.IsInitialized()) {
    return {};
  }
  panel_.makeCurrent();
  panel_.ResizeGL();
  THalfExtents e = HalfExtents(slot->Aspect, slot->Size);
  if (slot->AngleZ == 90.0 || slot->AngleZ == 270.0) {
    std::swap(e.Hw, e.Hh);
  }
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  const float z = static_cast<float>(ribbon_.Zoom.Zoom);
  glScalef(z, z, z);
  GLdouble model[16];
  GLdouble proj[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, viewport);
  glPopMatrix();
  const double dpr = panel_.devicePixelRatioF();
  const auto project = [&](double x, double y) {
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, 0, model, proj, viewport, &wx, &wy, &wz);
    const QPoint client(static_cast<int>(RoundHalfEven(wx / dpr)),
                        panel_.height() - static_cast<int>(RoundHalfEven(wy / dpr)));
    return panel_.mapToGlobal(client);
  };
  return QRect(project(-e.Hw, 2 * e.Hh), project(e.Hw, 0)).normalized();
}

void TRibbonPainter::Render(double b, std::optional<QPoint> mouse) {
  try {
    const unsigned fbo = panel_.defaultFramebufferObject();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    const float z = static_cast<float>(ribbon_.Zoom.Zoom);
    glScalef(z, z, z);
    const double dpr = panel_.devicePixelRatioF();
    const int hovered = mouse ? Pick(static_cast<int>(std::lround(mouse->x() * dpr)),
                                     static_cast<int>(std::lround(mouse->y() * dpr)))
                              : -1;
    ribbon_.SetHovered(hovered);

    const auto mirror = [&](double top, double bottom) {
      glPushMatrix();
      glScalef(1, -1, 1);
      DrawThumbnails(false, true, top, bottom);
      glPopMatrix();
    };
    const auto jittered = [&](int i, auto&& draw) {
      glPushMatrix();
      Jitter(i);
      draw();
      glPopMatrix();
    };
    const auto thumbs = [&] { DrawThumbnails(false, false, b, b); };
    const auto captions = [&] { DrawCaptions(b); };
    const auto halos = [&] { DrawHalos(b); };
    // After the passes are averaged, the overlays must be hidden by the
    // depth the last pass left behind: copied when the GL allows it, else
    // rebuilt in the widget's buffer.
    const auto lastDepth = [&](auto&& draw) {
      if (accum_.CopyDepth(fbo)) {
        return;
      }
      glClear(GL_DEPTH_BUFFER_BIT);
      glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
      draw();
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    };

    const bool aaThumbs = settings_.AntialiasingThumbEnabled;
    const bool aaText = settings_.AntialiasingTextEnabled;
    if ((!aaThumbs && !aaText) || !accum_.IsValid()) {
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      mirror(0, b * 0.25);
      thumbs();
      captions();
      halos();
    } else if (aaThumbs) {
      // Each pass weighs a quarter; the reflection takes part only in the
      // first, which gives it the plain frame's quarter brightness.
      const auto lastPass = [&] {
        jittered(TAccumBuffer::kPasses - 1, [&] {
          thumbs();
          if (aaText) {
            captions();
          }
        });
      };
      accum_.BeginPass(0);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      mirror(0, b);
      jittered(0, thumbs);
      for (int i = 1; i < TAccumBuffer::kPasses; ++i) {
        accum_.BeginPass(i);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        jittered(i, [&] {
          thumbs();
          if (aaText) {
            captions();
          }
        });
      }
      accum_.Return(fbo);
      lastDepth(lastPass);
      jittered(TAccumBuffer::kPasses - 1, [&] {
        if (!aaText) {
          captions();
        }
        halos();
      });
    } else {
      accum_.BeginPass(0);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      mirror(0, b);
      for (int i = 1; i < TAccumBuffer::kPasses; ++i) {
        accum_.BeginPass(i);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        jittered(i, captions);
      }
      accum_.Return(fbo);
      lastDepth([&] { jittered(TAccumBuffer::kPasses - 1, captions); });
      thumbs();
      halos();
    }
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
  } catch (const std::exception& e) {
    // This runs inside the panel's paint: a modal message box here would
    // paint again under itself, so the frame is dropped and logged.
    QOpenGLContext::currentContext()->functions()->glBindFramebuffer(
        GL_FRAMEBUFFER, panel_.defaultFramebufferObject());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    qCWarning(lcRibbon).noquote() << QString::asprintf("DrawScene(%f):\n\r%s", b,
                                                       Utf8(ErrorText(e)).constData());
  }
}

}  // namespace glimr
