#include "viewer/ui/frmviewer.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "browse/shownlist.h"
#include "catalog/imagefileinfo.h"
#include "common/language.h"
#include "common/ui/shortcuttext.h"
#include "viewer/screensaverinhibit.h"
#include "viewer/steporder.h"
#include "viewer/viewerdecoder.h"
#include "viewer/viewerlog.h"

namespace glimr {

namespace {

// Captions keys of the viewer's own keys, with the command each runs.
struct TViewerKey {
  int Caption;
  TViewerCommand Command;
};
constexpr TViewerKey kViewerKeys[] = {
    {328, TViewerCommand::Next},
    {329, TViewerCommand::Previous},
    {330, TViewerCommand::First},
    {331, TViewerCommand::Last},
    {332, TViewerCommand::FullScreen},
    {333, TViewerCommand::Overlay},
    {334, TViewerCommand::ZoomIn},
    {335, TViewerCommand::ZoomOut},
    {336, TViewerCommand::Fit},
    {337, TViewerCommand::ActualSize},
    {338, TViewerCommand::RotateRight},
    {339, TViewerCommand::RotateLeft},
    {340, TViewerCommand::FlipHorizontally},
    {341, TViewerCommand::FlipVertically},
    {342, TViewerCommand::Slideshow},
};
// The main window's Delete and rating shortcuts apply in the viewer too.
constexpr int kDeleteKey = 293;
constexpr int kRatingKeys = 296;  // Ctrl+0 .. Ctrl+5: 296 .. 301

constexpr int kCaptionViewer = 320;
constexpr int kCaptionFullScreen = 344;
constexpr int kCaptionSlideshow = 345;
constexpr int kCaptionClose = 346;
constexpr int kHintFullScreen = 72;
constexpr int kHintSlideshow = 73;
constexpr int kHintClose = 74;
constexpr int kStrDescription = 155;  // "%1, %2 of %3"
constexpr int kStrPosition = 156;     // "%1 of %2"
constexpr int kStrDimensions = 157;   // "%1 x %2 pixels"
constexpr int kStrPaused = 158;       // "Slideshow paused"
constexpr int kStrCannotShow = 159;   // "This picture cannot be shown."

// Arrow keys move a zoomed picture by this many logical pixels.
constexpr double kPanStep = 64.0;

bool Matches(const QKeySequence& keys, int key, Qt::KeyboardModifiers modifiers) {
  if (keys.isEmpty()) {
    return false;
  }
  const QKeyCombination wanted = keys[0];
  return wanted.key() == key && wanted.keyboardModifiers() == modifiers;
}

// The picture turned and mirrored as the record shows its thumbnail.
QImage Oriented(const QImage& image, double angle, bool mirrorLeftRight, bool mirrorTopBottom) {
  if (image.isNull()) {
    return image;
  }
  QImage out = image.mirrored(mirrorLeftRight, mirrorTopBottom);
  const int quarter = static_cast<int>(std::lround(angle / 90.0)) % 4;
  if (std::abs(angle - quarter * 90.0) < 1e-6 && quarter != 0) {
    out = out.transformed(QTransform().rotate(90.0 * quarter));
  }
  return out;
}

}  // namespace

TViewerCommand ViewerCommandForKey(int key, Qt::KeyboardModifiers modifiers) {
  modifiers &= ~Qt::KeypadModifier;
  if (key == Qt::Key_Escape && modifiers == Qt::NoModifier) {
    return TViewerCommand::Close;
  }
  if (key == Qt::Key_Space && modifiers == Qt::NoModifier) {
    return TViewerCommand::Pause;
  }
  // Page keys step like the arrows; "=" zooms in on keyboards where "+"
  // needs Shift.
  if (modifiers == Qt::NoModifier) {
    switch (key) {
      case Qt::Key_PageDown:
        return TViewerCommand::Next;
      case Qt::Key_PageUp:
        return TViewerCommand::Previous;
      case Qt::Key_Equal:
        return TViewerCommand::ZoomIn;
      default:
        break;
    }
  }
  for (const TViewerKey& k : kViewerKeys) {
    const QKeySequence keys = LangShortcut(k.Caption);
    // "+" arrives with Shift on most layouts: the character decides.
    if (Matches(keys, key, modifiers) || Matches(keys, key, modifiers & ~Qt::ShiftModifier)) {
      return k.Command;
    }
  }
  if (Matches(LangShortcut(kDeleteKey), key, modifiers)) {
    return TViewerCommand::Delete;
  }
  for (int n = 0; n <= 5; ++n) {
    if (Matches(LangShortcut(kRatingKeys + n), key, modifiers)) {
      return static_cast<TViewerCommand>(static_cast<int>(TViewerCommand::Rate0) + n);
    }
  }
  return TViewerCommand::None;
}

TfrmViewer::TfrmViewer(TShownList& shown, TViewerDecoder& decoder, TThumbnailOf thumbnail,
                       QWidget* parent)
    : QWidget(parent, Qt::Window),
      shown_(shown),
      decoder_(decoder),
      thumbnail_(std::move(thumbnail)),
      inhibit_(std::make_unique<TScreenSaverInhibit>()) {
  setObjectName(QStringLiteral("frmViewer"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setMinimumSize(320, 240);
  auto button = [this](const char* name) {
    auto* b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Light on the black picture area, whatever the desktop's palette.
    b->setStyleSheet(QStringLiteral(
        "QToolButton { color: white; background: rgba(40, 40, 40, 170); border: none;"
        " border-radius: 4px; padding: 4px 10px; }"
        "QToolButton:hover { background: rgba(90, 90, 90, 200); }"
        "QToolButton:checked { background: rgba(60, 90, 140, 200); }"));
    return b;
  };
  fullScreen_ = button("btnFullScreen");
  fullScreen_->setCheckable(true);
  slideshowButton_ = button("btnSlideshow");
  close_ = button("btnClose");
  connect(fullScreen_, &QToolButton::clicked, this, [this] { ToggleFullScreen(); });
  slideshowButton_->setCheckable(true);
  connect(slideshowButton_, &QToolButton::clicked, this,
          [this] { Run(TViewerCommand::Slideshow); });
  connect(close_, &QToolButton::clicked, this, &QWidget::close);

  slideTimer_.setSingleShot(true);
  connect(&slideTimer_, &QTimer::timeout, this, &TfrmViewer::SlideTick);
  connect(&decoder_, &TViewerDecoder::pictureReady, this, &TfrmViewer::PictureReady);
  connect(&decoder_, &TViewerDecoder::failed, this, &TfrmViewer::PictureFailed);

  // The viewer follows the list the main window shows.
  connect(&shown_, &TShownList::aboutToRemove, this, [this](int first, int last) {
    const int row = ShownRow();
    if (row >= first && row <= last) {
      removedRow_ = first;
    }
  });
  connect(&shown_, &TShownList::rowsRemoved, this, [this] { FollowRemoval(); });
  connect(&shown_, &TShownList::sourceChanged, this, [this] { FollowNewList(); });
  connect(&shown_, &TShownList::rowsEdited, this, [this](int first, int last, TEditFields fields) {
    if ((fields & efName) && record_) {
      // A rename gives the shown record a new key: found by the record.
      for (int i = std::max(first, 0); i <= last && i < shown_.Current().Count(); ++i) {
        if (shown_.Current().At(i) == record_) {
          path_ = shown_.Current().Key(i);
        }
      }
    }
    const int row = ShownRow();
    if (row < first || row > last || !isVisible()) {
      return;
    }
    if (fields & efRotation) {
      // The picture turns as the thumbnail did: decoded again in its new
      // orientation, the old one shown turned until then.
      RequestPicture();
    }
    UpdateTexts();
    update();
  });
  ApplyLanguage();
}

TfrmViewer::~TfrmViewer() = default;

const TImageFileInfo* TfrmViewer::Record() const {
  const int row = ShownRow();
  return row >= 0 ? shown_.Current().At(row) : nullptr;
}

int TfrmViewer::ShownRow() const {
  return path_.isEmpty() ? -1 : shown_.Current().IndexOf(path_);
}

int TfrmViewer::MinDecodeSide() const {
  // The screen's longer side in device pixels: a fitted picture never needs
  // more, whatever the window's size.
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) {
    return 2048;
  }
  const QSize size = s->geometry().size() * s->devicePixelRatio();
  return std::max(size.width(), size.height());
}

TPictureKey TfrmViewer::KeyFor(const TImageFileInfo& record, TDecodeKind kind) const {
  TPictureKey key;
  key.Path = record.FullPath();
  key.Kind = kind;
  key.Angle = record.Angle;
  key.MirrorLeftRight = record.VFliped;
  key.MirrorTopBottom = record.HFliped;
  return key;
}

bool TfrmViewer::Open(int row, QImage first) {
  const TFileList& current = shown_.Current();
  if (row < 0 || row >= current.Count() || current.At(row)->IsFolder) {
    return false;
  }
  if (!isVisible()) {
    // The window takes the screen the main window is on, at its full
    // available size.
    const QWidget* owner = parentWidget();
    QScreen* s = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (s) {
      setGeometry(s->availableGeometry());
    }
    show();
    raise();
    activateWindow();
  }
  Show(row, std::move(first));
  return true;
}

void TfrmViewer::Show(int row, QImage first) {
  const TImageFileInfo* r = shown_.Current().At(row);
  const bool same = shown_.Current().Key(row) == path_;
  path_ = shown_.Current().Key(row);
  record_ = r;
  failed_ = false;
  if (!same) {
    decoded_ = false;
    picture_ = QImage();
  }
  // The full picture's size as shown (turned): the zoom's 100 % is one of
  // its pixels on a device pixel, whatever size the decode comes in.
  QSize full(r->Width, r->Height);
  const int quarter = static_cast<int>(std::lround(r->Angle / 90.0)) % 4;
  if (quarter % 2 != 0) {
    full.transpose();
  }
  if (!same || picture_.isNull()) {
    if (!first.isNull()) {
      picture_ = std::move(first);
    } else if (thumbnail_) {
      picture_ = Oriented(thumbnail_(path_), r->Angle, r->VFliped, r->HFliped);
    }
    transform_.SetPicture(full.isEmpty() ? picture_.size() : full);
    UpdateTransformView();
  }
  RequestPicture();
  UpdateTexts();
  update();
  Q_EMIT rowShown(row);
}

void TfrmViewer::RequestPicture() {
  const TImageFileInfo* r = Record();
  if (!r) {
    return;
  }
  const TDecodeKind kind =
      transform_.ZoomedPastFit() ? TDecodeKind::Full() : TDecodeKind::Fit(MinDecodeSide());
  const TPictureKey key = KeyFor(*r, kind);
  if (decoded_ && key == shownKey_) {
    return;
  }
  shownKey_ = key;
  if (decoder_.Request(key, TDecodePriority::Shown)) {
    PictureReady(key, decoder_.Peek(key));
  } else {
    loading_ = true;
  }
  Prefetch();
}

void TfrmViewer::Prefetch() {
  const int row = ShownRow();
  const TDecodeKind fit = TDecodeKind::Fit(MinDecodeSide());
  // The way the user is likely to go next: forward, then back.
  for (TImageStep step : {TImageStep::Next, TImageStep::Previous}) {
    const int next = StepImage(shown_.Current(), row, step);
    if (next >= 0 && next != row) {
      decoder_.Request(KeyFor(*shown_.Current().At(next), fit), TDecodePriority::Prefetch);
    }
  }
}

void TfrmViewer::PictureReady(const TPictureKey& key, const QImage& picture) {
  if (!(key == shownKey_) || picture.isNull()) {
    return;
  }
  loading_ = false;
  decoded_ = true;
  picture_ = picture;
  const TImageFileInfo* r = Record();
  if (r && (r->Width == 0 || r->Height == 0) && key.Kind.IsFull()) {
    // Without the size from the catalog the full decode tells it.
    transform_.SetPicture(picture.size());
    UpdateTransformView();
  }
  update();
}

void TfrmViewer::PictureFailed(const TPictureKey& key) {
  if (!(key == shownKey_)) {
    return;
  }
  loading_ = false;
  failed_ = picture_.isNull();
  qCWarning(lcViewer).noquote() << "cannot decode" << key.Path;
  update();
}

void TfrmViewer::UpdateTransformView() {
  transform_.SetView(QSizeF(size()), devicePixelRatioF());
}

void TfrmViewer::Step(TViewerCommand command) {
  TImageStep step = TImageStep::Next;
  switch (command) {
    case TViewerCommand::Previous:
      step = TImageStep::Previous;
      break;
    case TViewerCommand::First:
      step = TImageStep::First;
      break;
    case TViewerCommand::Last:
      step = TImageStep::Last;
      break;
    default:
      break;
  }
  const int row = StepImage(shown_.Current(), ShownRow(), step);
  if (row >= 0 && row != ShownRow()) {
    Show(row, {});
  }
}

void TfrmViewer::Run(TViewerCommand command) {
  const QPointF centre(width() / 2.0, height() / 2.0);
  // A navigation key ends a slideshow; Space only pauses it.
  switch (command) {
    case TViewerCommand::Next:
    case TViewerCommand::Previous:
    case TViewerCommand::First:
    case TViewerCommand::Last:
      StopSlideshow();
      break;
    default:
      break;
  }
  switch (command) {
    case TViewerCommand::None:
      break;
    case TViewerCommand::Next:
    case TViewerCommand::Previous:
      if (transform_.CanPan() && !transform_.IsFit()) {
        // Zoomed in, the arrows move the picture; the page keys still step.
        const double dx = command == TViewerCommand::Next ? -kPanStep : kPanStep;
        if (!transform_.PanBy(QPointF(dx, 0)).isNull()) {
          update();
          break;
        }
      }
      Step(command);
      break;
    case TViewerCommand::First:
    case TViewerCommand::Last:
      Step(command);
      break;
    case TViewerCommand::FullScreen:
      ToggleFullScreen();
      break;
    case TViewerCommand::Overlay:
      overlay_ = !overlay_;
      update();
      break;
    case TViewerCommand::ZoomIn:
    case TViewerCommand::ZoomOut:
      transform_.ZoomBy(command == TViewerCommand::ZoomIn ? 1 : -1, centre);
      RequestPicture();
      update();
      break;
    case TViewerCommand::Fit:
      transform_.ShowFit();
      RequestPicture();
      update();
      break;
    case TViewerCommand::ActualSize:
      transform_.ShowActual(centre);
      RequestPicture();
      update();
      break;
    case TViewerCommand::RotateRight:
    case TViewerCommand::RotateLeft:
      Q_EMIT rotateRequested(command == TViewerCommand::RotateRight);
      break;
    case TViewerCommand::FlipHorizontally:
    case TViewerCommand::FlipVertically:
      Q_EMIT flipRequested(command == TViewerCommand::FlipHorizontally);
      break;
    case TViewerCommand::Slideshow:
      if (slideshow_.IsActive()) {
        StopSlideshow();
      } else {
        StartSlideshow();
      }
      break;
    case TViewerCommand::Pause:
      if (slideshow_.IsRunning()) {
        slideshow_.Pause();
        slideTimer_.stop();
        inhibit_->Release();
      } else if (slideshow_.IsPaused()) {
        slideshow_.Resume();
        inhibit_->Inhibit();
        ScheduleSlide();
      }
      update();
      break;
    case TViewerCommand::Close:
      if (loading_ && !decoded_) {
        // Escape during a load gives the load up; the thumbnail stays.
        decoder_.Cancel();
        loading_ = false;
      } else if (isFullScreen()) {
        ToggleFullScreen();
      } else {
        close();
      }
      break;
    case TViewerCommand::Delete:
      StopSlideshow();
      Q_EMIT deleteRequested();
      break;
    case TViewerCommand::Rate0:
    case TViewerCommand::Rate1:
    case TViewerCommand::Rate2:
    case TViewerCommand::Rate3:
    case TViewerCommand::Rate4:
    case TViewerCommand::Rate5:
      Q_EMIT rateRequested(static_cast<int>(command) - static_cast<int>(TViewerCommand::Rate0));
      break;
  }
}

void TfrmViewer::ToggleFullScreen() {
  if (isFullScreen()) {
    showNormal();
  } else {
    // Full screen on the screen that holds the window.
    showFullScreen();
  }
}

void TfrmViewer::SetSlideshowInterval(int ms) {
  slideshow_.SetInterval(ClampSlideshowInterval(ms));
  if (slideshow_.IsRunning()) {
    ScheduleSlide();
  }
}

void TfrmViewer::StartSlideshow() {
  if (StepImage(shown_.Current(), -1, TImageStep::First) < 0) {
    return;  // no image to show
  }
  slideshow_.Start();
  inhibit_->Inhibit();
  ScheduleSlide();
  slideshowButton_->setChecked(true);
  update();
}

void TfrmViewer::StopSlideshow() {
  if (!slideshow_.IsActive()) {
    return;
  }
  slideshow_.Stop();
  slideTimer_.stop();
  inhibit_->Release();
  slideshowButton_->setChecked(false);
  update();
}

void TfrmViewer::ScheduleSlide() {
  slideTimer_.start(static_cast<int>(std::max<qint64>(0, slideshow_.MsUntilDue())));
}

void TfrmViewer::SlideTick() {
  if (!slideshow_.IsRunning()) {
    return;
  }
  if (!slideshow_.Due()) {
    ScheduleSlide();
    return;
  }
  const int next = SlideshowNext(shown_.Current(), ShownRow());
  if (next < 0) {
    StopSlideshow();
    return;
  }
  Show(next, {});
  slideshow_.SlideShown();
  ScheduleSlide();
}

void TfrmViewer::FollowRemoval() {
  if (removedRow_ < 0 || !isVisible()) {
    return;
  }
  const int after = ImageAfterRemoval(shown_.Current(), removedRow_);
  removedRow_ = -1;
  decoder_.Forget(path_);
  path_.clear();
  record_ = nullptr;
  if (after < 0) {
    close();  // nothing left to show
    return;
  }
  Show(after, {});
}

void TfrmViewer::FollowNewList() {
  if (!isVisible()) {
    return;
  }
  StopSlideshow();
  // The image the list now shows focused, else its first image.
  const TFileList& current = shown_.Current();
  int row = -1;
  for (int i = 0; i < current.Count() && row < 0; ++i) {
    if (current.At(i)->Focused && !current.At(i)->IsFolder) {
      row = i;
    }
  }
  if (row < 0) {
    row = StepImage(current, -1, TImageStep::First);
  }
  path_.clear();
  record_ = nullptr;
  if (row < 0) {
    close();
    return;
  }
  Show(row, {});
}

QString TfrmViewer::OverlayText() const {
  const TImageFileInfo* r = Record();
  if (!r) {
    return {};
  }
  const TImagePlace place = ImagePlace(shown_.Current(), ShownRow());
  QStringList lines;
  lines << r->FileName;
  lines << LangText(TLangSection::Strings, kStrPosition).arg(place.Number).arg(place.Count);
  if (r->Width > 0 && r->Height > 0) {
    lines << LangText(TLangSection::Strings, kStrDimensions).arg(r->Width).arg(r->Height);
  }
  lines << FileSizeToText(r->FileSize);
  const int stars = std::clamp<int>(r->Rating, 0, 5);
  lines << QString(stars, QChar(0x2605)) + QString(5 - stars, QChar(0x2606));
  if (slideshow_.IsPaused()) {
    lines << LangText(TLangSection::Strings, kStrPaused);
  }
  return lines.join(QLatin1Char('\n'));
}

void TfrmViewer::UpdateTexts() {
  const TImageFileInfo* r = Record();
  const QString name = LangText(TLangSection::Captions, kCaptionViewer);
  QString title = name;
  QString description;
  if (r) {
    const TImagePlace place = ImagePlace(shown_.Current(), ShownRow());
    description = LangText(TLangSection::Strings, kStrDescription)
                      .arg(r->FileName)
                      .arg(place.Number)
                      .arg(place.Count);
    title = r->FileName + QStringLiteral(" - ") + name;
  }
  setWindowTitle(title);
  if (accessibleName() != name) {
    setAccessibleName(name);
  }
  if (accessibleDescription() != description) {
    setAccessibleDescription(description);
  }
}

void TfrmViewer::ApplyLanguage() {
  const struct {
    QToolButton* Button;
    int Caption;
    int Hint;
    int Key;  // the shortcut named in the tool tip, 0 for Escape
  } buttons[] = {{fullScreen_, kCaptionFullScreen, kHintFullScreen, 332},
                 {slideshowButton_, kCaptionSlideshow, kHintSlideshow, 342},
                 {close_, kCaptionClose, kHintClose, 0}};
  for (const auto& b : buttons) {
    b.Button->setText(LangText(TLangSection::Captions, b.Caption));
    const QString key = b.Key ? LangShortcut(b.Key).toString(QKeySequence::NativeText)
                              : QKeySequence(Qt::Key_Escape).toString(QKeySequence::NativeText);
    b.Button->setToolTip(LangText(TLangSection::Hints, b.Hint).arg(key));
    b.Button->setAccessibleName(b.Button->text());
  }
  LayOutButtons();
  UpdateTexts();
}

void TfrmViewer::LayOutButtons() {
  int x = width() - 8;
  for (QToolButton* b : {close_, slideshowButton_, fullScreen_}) {
    b->adjustSize();
    x -= b->width();
    b->move(x, 8);
    x -= 4;
  }
}

void TfrmViewer::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (!picture_.isNull()) {
    const QRectF target = transform_.ImageRect();
    // One image pixel on one device pixel needs no smoothing; anything else
    // does.
    const bool exact =
        decoded_ && std::abs(target.width() * devicePixelRatioF() - picture_.width()) < 0.5;
    p.setRenderHint(QPainter::SmoothPixmapTransform, !exact);
    p.drawImage(target, picture_);
  } else if (failed_) {
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, LangText(TLangSection::Strings, kStrCannotShow));
  }
  if (overlay_ || slideshow_.IsPaused()) {
    const QString text = overlay_ ? OverlayText() : LangText(TLangSection::Strings, kStrPaused);
    QFont f = font();
    f.setPixelSize(14);
    p.setFont(f);
    const QRect box = p.fontMetrics()
                          .boundingRect(QRect(0, 0, width() / 2, height()), Qt::TextWordWrap, text)
                          .adjusted(-8, -6, 8, 6)
                          .translated(16, 16);
    p.fillRect(box, QColor(0, 0, 0, 160));
    p.setPen(Qt::white);
    p.drawText(box.adjusted(8, 6, -8, -6), Qt::TextWordWrap, text);
  }
}

void TfrmViewer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  UpdateTransformView();
  LayOutButtons();
}

void TfrmViewer::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    fullScreen_->setChecked(isFullScreen());
  }
}

void TfrmViewer::keyPressEvent(QKeyEvent* event) {
  const TViewerCommand command = ViewerCommandForKey(event->key(), event->modifiers());
  if (command == TViewerCommand::None) {
    // Up and Down move a zoomed picture.
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && transform_.CanPan()) {
      transform_.PanBy(QPointF(0, event->key() == Qt::Key_Up ? kPanStep : -kPanStep));
      update();
      return;
    }
    QWidget::keyPressEvent(event);
    return;
  }
  Run(command);
}

void TfrmViewer::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  if (notches == 0) {
    return;
  }
  if (event->modifiers() & Qt::ControlModifier) {
    transform_.ZoomBy(notches, event->position());
    RequestPicture();
    update();
  } else if (transform_.IsFit()) {
    StopSlideshow();
    Step(notches < 0 ? TViewerCommand::Next : TViewerCommand::Previous);
  } else {
    transform_.PanBy(QPointF(0, notches * kPanStep));
    update();
  }
  event->accept();
}

void TfrmViewer::mousePressEvent(QMouseEvent* event) {
  switch (event->button()) {
    case Qt::BackButton:
      Run(TViewerCommand::Previous);
      return;
    case Qt::ForwardButton:
      Run(TViewerCommand::Next);
      return;
    case Qt::LeftButton:
      dragging_ = transform_.CanPan();
      dragFrom_ = event->position().toPoint();
      if (dragging_) {
        setCursor(Qt::ClosedHandCursor);
      }
      return;
    default:
      QWidget::mousePressEvent(event);
  }
}

void TfrmViewer::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) {
    return;
  }
  const QPoint at = event->position().toPoint();
  transform_.PanBy(QPointF(at - dragFrom_));
  dragFrom_ = at;
  update();
}

void TfrmViewer::mouseReleaseEvent(QMouseEvent*) {
  if (dragging_) {
    dragging_ = false;
    unsetCursor();
  }
}

void TfrmViewer::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    return;
  }
  transform_.ToggleFitActual(event->position());
  RequestPicture();
  update();
}

void TfrmViewer::closeEvent(QCloseEvent* event) {
  StopSlideshow();
  decoder_.Cancel();
  loading_ = false;
  path_.clear();
  record_ = nullptr;
  picture_ = QImage();
  if (isFullScreen()) {
    showNormal();
  }
  QWidget::closeEvent(event);
  Q_EMIT closed();
}

}  // namespace glimr
