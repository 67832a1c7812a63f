// glimr-ribbon-demo FOLDER [--aa] [--screenshot FILE] [--glide N]
// Shows the images of a folder in the ribbon. Thumbnails are made here with
// QImageReader, one every few milliseconds, so they arrive as they would from
// the background loader; the catalog, the thumbnail cache and the loader
// thread are not involved. Left/Right keys or the wheel move, R/L rotate,
// H/V flip, Ctrl + wheel zooms. --screenshot saves one frame after the
// thumbnails have arrived (and after --glide N steps to the right).

#include <QApplication>
#include <QBoxLayout>
#include <QCommandLineParser>
#include <QDir>
#include <QImageReader>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

#include <map>

#include "catalog/imagefileinfo.h"
#include "ribbon/ui/glpanel.h"
#include "ribbon/ui/ribbonview.h"

using namespace glimr;

namespace {

class TFolderModel : public TRibbonModel {
 public:
  explicit TFolderModel(const QString& folder) {
    QDir dir(folder);
    QStringList filters;
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const QByteArray& f : formats) {
      filters << "*." + QString::fromLatin1(f);
    }
    dir.setNameFilters(filters);
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    TImageFileInfo up;
    up.IsFolder = true;
    up.FileName = "..";
    up.Path = dir.absolutePath() + "/";
    up.SlotWidth = 2.0;
    files_.push_back(up);
    const QStringList names = dir.entryList();
    for (const QString& name : names) {
      TImageFileInfo r;
      r.Path = dir.absolutePath() + "/";
      r.FileName = name;
      r.SlotWidth = 2.0;
      files_.push_back(r);
    }
  }

  // Makes the thumbnail of the head of the queue; false when it is empty.
  bool LoadOne() {
    if (queue_.isEmpty()) {
      return false;
    }
    const QString path = queue_.takeFirst();
    if (thumbs_.count(path) > 0) {
      return true;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > 1024 || full.height() > 1024)) {
      reader.setScaledSize(full.scaled(1024, 1024, Qt::KeepAspectRatio));
    }
    QImage img = reader.read();
    if (img.isNull()) {
      return true;  // undecodable: its slot keeps the gears
    }
    TThumb t;
    t.Width = full.isValid() ? full.width() : img.width();
    t.Height = full.isValid() ? full.height() : img.height();
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
      std::swap(t.Width, t.Height);
    }
    // Power-of-two sides; the ribbon restores the proportions.
    t.Pixels = img.scaled(256, 256, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                   .convertToFormat(QImage::Format_RGB888);
    thumbs_[path] = std::move(t);
    return true;
  }

  int Count() const override { return static_cast<int>(files_.size()); }
  TImageFileInfo* FileAt(int index) override {
    return index >= 0 && index < Count() ? &files_[static_cast<std::size_t>(index)] : nullptr;
  }
  int IndexOf(const QString& path) const override {
    for (int i = 0; i < Count(); ++i) {
      if (files_[static_cast<std::size_t>(i)].FullPath() == path) {
        return i;
      }
    }
    return -1;
  }
  bool ContainsThumb(const QString& path) const override { return thumbs_.count(path) > 0; }
  std::unique_ptr<TPinnedThumb> PinThumb(const QString& path) override {
    auto it = thumbs_.find(path);
    if (it == thumbs_.end()) {
      return nullptr;
    }
    return std::make_unique<TPinnedThumb>(it->second.Width, it->second.Height, it->second.Pixels,
                                          nullptr);
  }
  void LoadImageFirst(const QString& path) override {
    queue_.removeAll(path);
    queue_.prepend(path);
  }
  int FocusedRow() const override { return focused_; }
  void FocusRow(int row, TRibbonFocus how) override {
    focused_ = row;
    if (how != TRibbonFocus::Wheel) {
      for (auto& f : files_) {
        f.Selected = false;
      }
      if (TImageFileInfo* r = FileAt(row)) {
        r->Selected = true;
      }
    }
    if (OnFocus) {
      OnFocus();
    }
  }

  std::function<void()> OnFocus;

 private:
  struct TThumb {
    int Width = 0;
    int Height = 0;
    QImage Pixels;
  };
  std::vector<TImageFileInfo> files_;
  std::map<QString, TThumb> thumbs_;
  QStringList queue_;
  int focused_ = 0;
};

class TDemoWindow : public QWidget {
 public:
  TDemoWindow(TFolderModel& model, const TRibbonSettings& settings) : model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    panel_ = new TGlPanel(this);
    layout->addWidget(panel_, 1);
    view_ = new TRibbonView(*panel_, model, settings, this);
    auto* bar = new QHBoxLayout();
    const auto button = [&](const QString& text, auto&& slot) {
      auto* b = new QPushButton(text, this);
      b->setFixedWidth(65);
      b->setFocusPolicy(Qt::NoFocus);
      connect(b, &QPushButton::clicked, this, slot);
      bar->addWidget(b);
    };
    bar->addStretch();
    button("<", [this] { view_->MoveLeft(); });
    button(">", [this] { view_->MoveRight(); });
    button("Rot L", [this] { view_->RotateLeft(); });
    button("Rot R", [this] { view_->RotateRight(); });
    button("Flip H", [this] { view_->FlipHorizontally(); });
    button("Flip V", [this] { view_->FlipVertically(); });
    bar->addStretch();
    layout->addLayout(bar);
    model.OnFocus = [this] { view_->ScrollImagesToFocused(); };
    if (TImageFileInfo* first = model.FileAt(model.Count() > 1 ? 1 : 0)) {
      first->Selected = true;
    }
    model.FocusRow(model.Count() > 1 ? 1 : 0, TRibbonFocus::Move);
    view_->PrepareScene();
    view_->SetPolling(true);
    connect(&loader_, &QTimer::timeout, this, [this] { model_.LoadOne(); });
    loader_.start(15);
    setFocusPolicy(Qt::StrongFocus);
  }
  // The view releases its textures in the panel's context: it goes first.
  ~TDemoWindow() override { delete view_; }
  TRibbonView& View() { return *view_; }
  TGlPanel& Panel() { return *panel_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    switch (e->key()) {
      case Qt::Key_Left:
        view_->MoveLeft();
        break;
      case Qt::Key_Right:
        view_->MoveRight();
        break;
      case Qt::Key_R:
        view_->RotateRight();
        break;
      case Qt::Key_L:
        view_->RotateLeft();
        break;
      case Qt::Key_H:
        view_->FlipHorizontally();
        break;
      case Qt::Key_V:
        view_->FlipVertically();
        break;
      default:
        QWidget::keyPressEvent(e);
    }
  }

 private:
  TFolderModel& model_;
  TGlPanel* panel_ = nullptr;
  TRibbonView* view_ = nullptr;
  QTimer loader_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addPositionalArgument("folder", "folder of images");
  parser.addOption({"aa", "antialiased thumbnails and captions"});
  parser.addOption({"screenshot", "save one frame to FILE and quit", "file"});
  parser.addOption({"glide", "steps to the right before the screenshot", "n", "0"});
  parser.process(app);
  if (parser.positionalArguments().isEmpty() ||
      !QDir(parser.positionalArguments().first()).exists()) {
    qCritical("usage: glimr-ribbon-demo FOLDER (an existing folder)");
    return 2;
  }
  TFolderModel model(parser.positionalArguments().first());
  TRibbonSettings settings;
  settings.AntialiasingThumbEnabled = settings.AntialiasingTextEnabled = parser.isSet("aa");
  settings.Halo = QColor(120, 170, 255);
  TDemoWindow window(model, settings);
  window.resize(800, 460);
  window.setWindowTitle("Glimr ribbon");
  window.show();
  if (parser.isSet("screenshot")) {
    const QString file = parser.value("screenshot");
    const int glide = parser.value("glide").toInt();
    auto* steps = new int(0);
    auto* timer = new QTimer(&app);
    QObject::connect(timer, &QTimer::timeout, &app, [&, timer, steps, glide] {
      ++*steps;
      if (*steps <= glide) {
        window.View().MoveRight();
        return;
      }
      if (window.View().IsGliding()) {
        return;
      }
      timer->stop();
      QTimer::singleShot(1500, &app, [&, file] {
        window.Panel().grabFramebuffer().save(file);
        app.quit();
      });
    });
    QTimer::singleShot(1500, &app, [timer] { timer->start(700); });
  }
  return app.exec();
}
