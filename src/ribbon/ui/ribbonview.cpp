#include "ribbon/ui/ribbonview.h"

#include <GL/gl.h>

#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <algorithm>
#include <vector>

#include "catalog/imagefileinfo.h"
#include "common/language.h"
#include "ribbon/ui/accumbuffer.h"
#include "ribbon/ui/captionglyphs.h"
#include "ribbon/ui/glpanel.h"
#include "ribbon/ui/ribbonpainter.h"

namespace glimr {

TRibbonView::TRibbonView(TGlPanel& panel, TRibbonModel& model, const TRibbonSettings& settings,
                         QObject* parent)
    : QObject(parent),
      panel_(panel),
      sink_(*this),
      settings_(settings),
      glyphs_(std::make_unique<TCaptionGlyphs>()),
      accum_(std::make_unique<TAccumBuffer>()) {
  TRibbonPictures pictures;
  pictures.FirstGear = art_.Gears[0];
  pictures.Folder = art_.Folder;
  pictures.Parent = art_.Parent;
  ribbon_ = std::make_unique<TRibbon>(model, sink_, pictures);
  painter_ =
      std::make_unique<TRibbonPainter>(panel_, *ribbon_, settings_, *glyphs_, *accum_, glNames_);

  panel_.EnableLighting = false;
  panel_.BackColor = Qt::black;
  panel_.OnInitGL = [this] { InitGL(); };
  panel_.OnPaint = [this] { RenderProc(1.0); };
  panel_.OnResize = [this] { ResizeGL(); };
  panel_.setMouseTracking(true);
  panel_.installEventFilter(this);

  animTimer_.setInterval(10);
  animTimer_.setTimerType(Qt::PreciseTimer);
  connect(&animTimer_, &QTimer::timeout, this, &TRibbonView::AnimTimerTick);
  pollTimer_.setInterval(50);
  connect(&pollTimer_, &QTimer::timeout, this, &TRibbonView::PollTimerTick);
  UpdateAccessibleText();
}

TRibbonView::~TRibbonView() {
  animTimer_.stop();
  pollTimer_.stop();
  panel_.removeEventFilter(this);
  panel_.OnInitGL = nullptr;
  panel_.OnPaint = nullptr;
  panel_.OnResize = nullptr;
  painter_.reset();
  if (panel_.IsInitialized() && panel_.context() != nullptr) {
    panel_.makeCurrent();
    ribbon_.reset();
    for (unsigned& n : glNames_) {
      if (n != 0) {
        glDeleteTextures(1, &n);
        n = 0;
      }
    }
    glyphs_->Release();
    accum_.reset();
    panel_.doneCurrent();
  }
}

void TRibbonView::SetSettings(const TRibbonSettings& settings) {
  const bool fontChanged = settings.CapFontName != settings_.CapFontName ||
                           settings.CapFontBold != settings_.CapFontBold ||
                           settings.CapFontItalic != settings_.CapFontItalic;
  settings_ = settings;
  if (fontChanged && panel_.IsInitialized()) {
    panel_.makeCurrent();
    QFont font(settings_.CapFontName);
    font.setBold(settings_.CapFontBold);
    font.setItalic(settings_.CapFontItalic);
    glyphs_->Build(font);
  }
  Redraw();
}

void TRibbonView::UploadTexture(std::uint32_t name, const QImage& image) {
  if (!panel_.IsInitialized() || name == 0 || name >= glNames_.size() || image.isNull()) {
    return;
  }
  // Thumbnails and the built-in pictures are RGB888 already; the image is
  // then shared, not copied. Only const access below: the pixels may be
  // the cache's, shared with the loader thread.
  const QImage pixels = image.format() == QImage::Format_RGB888
                            ? image
                            : image.convertToFormat(QImage::Format_RGB888);
  const int width = pixels.width();
  const int height = pixels.height();
  if (QOpenGLContext::currentContext() != panel_.context()) {
    panel_.makeCurrent();
  }
  if (glNames_[name] != 0) {
    glDeleteTextures(1, &glNames_[name]);
    glNames_[name] = 0;
  }
  glGenTextures(1, &glNames_[name]);
  glBindTexture(GL_TEXTURE_2D, glNames_[name]);
  // GL takes the bottom row first; the pixels come top-down.
  const int rowBytes = width * 3;
  const std::uint8_t* bits = pixels.constBits();
  const qsizetype stride = pixels.bytesPerLine();
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(rowBytes) * height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = bits + static_cast<qsizetype>(y) * stride;
    std::copy(src, src + rowBytes,
              rows.begin() + static_cast<std::ptrdiff_t>(height - 1 - y) * rowBytes);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  const GLint filter = settings_.TextureFilterLinear ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glBindTexture(GL_TEXTURE_2D, 0);
}

void TRibbonView::DeleteTexture(std::uint32_t name) {
  if (!panel_.IsInitialized() || name >= glNames_.size() || glNames_[name] == 0) {
    return;
  }
  if (QOpenGLContext::currentContext() != panel_.context()) {
    panel_.makeCurrent();
  }
  glDeleteTextures(1, &glNames_[name]);
  glNames_[name] = 0;
}

void TRibbonView::InitGL() {
  for (int i = 0; i < 10; ++i) {
    UploadTexture(static_cast<std::uint32_t>(TRibbonPainter::kBusyBase + 1 + i), art_.Gears[i]);
  }
  QFont font(settings_.CapFontName);
  font.setBold(settings_.CapFontBold);
  font.setItalic(settings_.CapFontItalic);
  glyphs_->Build(font);
  ResizeGL();
  // Slots filled before the context existed have no textures yet.
  ribbon_->PrepareScene();
}

void TRibbonView::ResizeGL() {
  accum_->Resize(QSize(panel_.DeviceWidth(), panel_.DeviceHeight()));
  // QOpenGLFramebufferObject leaves its own buffer bound.
  QOpenGLContext::currentContext()->functions()->glBindFramebuffer(
      GL_FRAMEBUFFER, panel_.defaultFramebufferObject());
}

void TRibbonView::Redraw() {
  panel_.update();
}

void TRibbonView::PrepareScene() {
  if (panel_.IsInitialized()) {
    panel_.makeCurrent();
  }
  ribbon_->PrepareScene();
  Redraw();
  UpdateAccessibleText();
}

void TRibbonView::UpdateAccessibleText() {
  // Qt announces every setting as a change, so only real changes are set.
  const QString name = LangText(TLangSection::Captions, 102);
  if (panel_.accessibleName() != name) {
    panel_.setAccessibleName(name);
  }
  TRibbonModel& model = ribbon_->Model();
  const int row = model.FocusedRow();
  const TImageFileInfo* entry = model.FileAt(row);
  const QString description =
      entry ? QStringLiteral("%1, %2/%3").arg(entry->FileName).arg(row + 1).arg(model.Count())
            : QString();
  if (panel_.accessibleDescription() != description) {
    panel_.setAccessibleDescription(description);
  }
}

void TRibbonView::RotateLeft() {
  ribbon_->RotateLeft();
}
void TRibbonView::RotateRight() {
  ribbon_->RotateRight();
}
void TRibbonView::FlipHorizontally() {
  ribbon_->FlipHorizontally();
}
void TRibbonView::FlipVertically() {
  ribbon_->FlipVertically();
}
void TRibbonView::MoveLeft() {
  ribbon_->MoveLeft();
}
void TRibbonView::MoveRight() {
  ribbon_->MoveRight();
}

int TRibbonView::DoSelect(int x, int y) {
  return painter_->DoSelect(x, y);
}

QRect TRibbonView::ZoomStartRect() {
  return painter_->ZoomStartRect();
}

void TRibbonView::RenderProc(double brightness) {
  ++frames_;
  painter_->Render(brightness, mouseInside_ ? std::optional<QPoint>(mouse_) : std::nullopt);
}

void TRibbonView::RenderNow() {
  if (!panel_.IsInitialized()) {
    return;
  }
  panel_.makeCurrent();
  panel_.ResizeGL();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  RenderProc(1.0);
  glFinish();
}

}  // namespace glimr
