// The viewer measured in the running program (window, ribbon, loader,
// catalog, viewer) on a folder of 24 MP JPEGs (200 names sharing a few
// pictures' files through hard links, so the folder is quick to make):
//   - a step to a picture decoded ahead, from the key to the picture painted;
//   - a step to a picture not decoded ahead (End and Home alternately);
//   - the first open through Show Zoomed, beside the decode alone;
//   - resident memory while stepping through 200 pictures: after the first
//     step, after step 20, after step 200, and the peak.
// Run under Xvfb: xvfb-run -a build/bin/bench_viewerprogram
// (QT_SCALE_FACTOR=2 for scale 2).

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <memory>

#include "app/glimrapplication.h"
#include "browse/shownlist.h"
#include "browse/ui/filelistview.h"
#include "common/regstore.h"
#include "common/settings.h"
#include "imaging/plugins.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"
#include "ribbon/ui/ribbonview.h"
#include "viewer/ui/frmviewer.h"
#include "viewer/viewerdecoder.h"

using namespace glimr;

namespace {

constexpr int kPictures = 4;  // distinct 24 MP files
constexpr int kNames = 200;   // names in the folder

// A resident memory figure of /proc/self/status in KiB ("VmRSS", "VmHWM").
long StatusKiB(const char* field) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) {
    return -1;
  }
  for (const QByteArray& line : f.readAll().split('\n')) {
    if (line.startsWith(field)) {
      return line.mid(static_cast<int>(qstrlen(field)) + 1).trimmed().split(' ').value(0).toLong();
    }
  }
  return -1;
}

struct TWorld {
  QTemporaryDir root;
  QString photos;
  std::unique_ptr<TGlimrApplication> app;

  TWorld() {
    photos = root.path() + QStringLiteral("/photos/");
    QDir().mkpath(photos);
    for (int p = 0; p < kPictures; ++p) {
      // Smooth gradients with some detail: a realistic JPEG size.
      QImage picture(6000, 4000, QImage::Format_RGB888);
      for (int y = 0; y < picture.height(); ++y) {
        uchar* row = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
          row[3 * x] = static_cast<uchar>((x / 24 + p * 40) & 0xff);
          row[3 * x + 1] = static_cast<uchar>((y / 16) & 0xff);
          row[3 * x + 2] = static_cast<uchar>(((x ^ y) >> 4) & 0xff);
        }
      }
      picture.save(photos + QStringLiteral("src%1.jpg").arg(p), "JPG", 90);
    }
    for (int n = 0; n < kNames; ++n) {
      const QString name = photos + QStringLiteral("p%1.jpg").arg(n, 3, 10, QLatin1Char('0'));
      ::link(QFile::encodeName(photos + QStringLiteral("src%1.jpg").arg(n % kPictures)).constData(),
             QFile::encodeName(name).constData());
    }
    for (int p = 0; p < kPictures; ++p) {
      QFile::remove(photos + QStringLiteral("src%1.jpg").arg(p));
    }
    RegStore store(root.path() + QStringLiteral("/config/Quillfen/Glimr.reg"));
    store.WriteDword(kMainKey, QStringLiteral("SaveCrrSelection"), 1);
    store.WriteString(kMainKey, QStringLiteral("CrrSelection"),
                      QStringLiteral("Computer\\File System\\") +
                          QDir::cleanPath(photos).mid(1).replace('/', '\\'));
    store.Save();
    app = std::make_unique<TGlimrApplication>(TGlimrApplication::Options::UnderFolder(
        root.path(), QStringLiteral(GLIMR_BINARY_DIR "/bin")));
    app->Start();
    while (app->Shown().Current().Count() < kNames) {
      QTest::qWait(50);
    }
  }
  TfrmViewer& Viewer() { return *app->Viewer(); }
  // Waits until the viewer shows its decoded picture, then paints it.
  void WaitPainted() {
    while (!Viewer().PictureIsDecoded()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    Viewer().repaint();
  }
  void Open() {
    if (Viewer().isVisible()) {
      return;
    }
    TFileListView& list = *app->MainWindow()->ListView();
    list.FocusRow(1, true);  // the first picture after ".."
    while (app->Ribbon()->IsGliding()) {
      QTest::qWait(10);
    }
    app->MainWindow()->Actions().Get("aViewShowZoomed")->trigger();
    while (!Viewer().isVisible()) {
      QTest::qWait(5);
    }
    WaitPainted();
  }
};

TWorld& World() {
  static TWorld world;
  return world;
}

void BM_StepPrefetched(benchmark::State& state) {
  TWorld& w = World();
  w.Open();
  for (auto _ : state) {
    // The neighbour is decoded ahead before the key comes.
    QTest::qWait(1500);
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(&w.Viewer(), Qt::Key_Right);
    w.WaitPainted();
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
  }
}
BENCHMARK(BM_StepPrefetched)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

void BM_StepNotPrefetched(benchmark::State& state) {
  TWorld& w = World();
  w.Open();
  bool toEnd = true;
  for (auto _ : state) {
    QTest::qWait(1500);
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(&w.Viewer(), toEnd ? Qt::Key_End : Qt::Key_Home);
    w.WaitPainted();
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
    toEnd = !toEnd;
  }
}
BENCHMARK(BM_StepNotPrefetched)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);

// Show Zoomed to the viewer's decoded picture painted; the counter gives the
// decode alone of the same file at the same size.
void BM_FirstOpen(benchmark::State& state) {
  TWorld& w = World();
  for (auto _ : state) {
    w.Viewer().close();
    w.app->MainWindow()->ListView()->FocusRow(1, true);
    QTest::qWait(1500);
    QElapsedTimer clock;
    clock.start();
    w.app->MainWindow()->Actions().Get("aViewShowZoomed")->trigger();
    while (!w.Viewer().isVisible()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    w.WaitPainted();
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
  }
  const QString path = w.app->Shown().Current().Key(1);
  const QSize screen = w.Viewer().screen()->geometry().size() * w.Viewer().devicePixelRatioF();
  const auto decode = PluginViewerDecode(*w.app->Plugins());
  QElapsedTimer clock;
  clock.start();
  const QImage alone = decode(path, TDecodeKind::Fit(std::max(screen.width(), screen.height())));
  state.counters["decode_alone_ms"] = clock.nsecsElapsed() / 1e6;
  state.counters["decoded_w"] = alone.width();
}
BENCHMARK(BM_FirstOpen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Resident memory over 200 steps (KiB): after step 1, 20 and 200, and the
// peak; "peak_over_first" is what the issue bounds.
void BM_Memory200(benchmark::State& state) {
  TWorld& w = World();
  w.Open();
  for (auto _ : state) {
    QTest::keyClick(&w.Viewer(), Qt::Key_Home);
    w.WaitPainted();
    long first = 0;
    long at20 = 0;
    for (int step = 1; step < kNames; ++step) {
      QTest::keyClick(&w.Viewer(), Qt::Key_Right);
      w.WaitPainted();
      if (step == 1) {
        first = StatusKiB("VmRSS:");
        // The peak counts from here: making the pictures and starting the
        // program are not the stepping's.
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly)) {
          clear.write("5");
        }
      } else if (step == 20) {
        at20 = StatusKiB("VmRSS:");
      }
    }
    state.counters["rss_step1_kib"] = static_cast<double>(first);
    state.counters["rss_step20_kib"] = static_cast<double>(at20);
    state.counters["rss_step200_kib"] = static_cast<double>(StatusKiB("VmRSS:"));
    state.counters["peak_kib"] = static_cast<double>(StatusKiB("VmHWM:"));
    state.counters["peak_over_first_kib"] = static_cast<double>(StatusKiB("VmHWM:") - first);
  }
}
BENCHMARK(BM_Memory200)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  World().app->Shutdown();
  benchmark::Shutdown();
  return 0;
}
