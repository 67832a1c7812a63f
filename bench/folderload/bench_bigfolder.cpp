// A folder of 100 000 images in the running program (window, ribbon under
// Xvfb's GL, loader, catalog), from the folder's selection in the tree to the
// list painted and the ribbon's slots showing their thumbnails:
//   - the first visit (every file gets its catalog row, the first thumbnails
//     are made);
//   - the second visit (rows read back, stored thumbnails shown);
// and the peak resident memory of the process (VmHWM) once both are done.
// Run under Xvfb: xvfb-run -a build/bin/bench_bigfolder [--files=N]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "app/glimrapplication.h"
#include "browse/currentlists.h"
#include "browse/ui/foldertree.h"
#include "mainwindow/frmvesk.h"
#include "ribbon/ribbon.h"
#include "ribbon/ui/ribbonview.h"

using namespace glimr;

namespace {

int files = 100000;

// Peak resident memory in MB, from /proc/self/status.
double PeakResidentMB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) {
    return 0;
  }
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) {
      return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
  }
  return 0;
}

struct TWorld {
  QTemporaryDir root;
  QString folder;
  std::unique_ptr<TGlimrApplication> app;

  TWorld() {
    folder = root.path() + QStringLiteral("/pics");
    QDir().mkpath(folder);
    QImage picture(160, 120, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    const QString sample = root.path() + QStringLiteral("/sample.jpg");
    picture.save(sample);
    // Hard links: each name is a file of its own to the program, and making
    // 100 000 of them takes seconds, not minutes.
    const QByteArray from = QFile::encodeName(sample);
    for (int i = 0; i < files; ++i) {
      const QByteArray to =
          QFile::encodeName(folder + QStringLiteral("/IMG_%1.jpg").arg(i, 6, 10, QLatin1Char('0')));
      if (link(from.constData(), to.constData()) != 0) {
        QFile::copy(sample, QFile::decodeName(to));
      }
    }
    app = std::make_unique<TGlimrApplication>(TGlimrApplication::Options::UnderFolder(
        root.path(), QStringLiteral(GLIMR_BINARY_DIR "/bin")));
    app->Start();
    app->MainWindow()->resize(1270, 1000);
  }

  bool SlotsShowThumbs() {
    const TRibbon& ribbon = app->Ribbon()->Ribbon();
    int shown = 0;
    for (const auto& slot : ribbon.Slots) {
      shown += slot && slot->Loaded && slot->HasThumb ? 1 : 0;
    }
    return shown >= 4;  // slots 5..8: the images after ".." at the first entry
  }

  // Selects the folder and waits for the slots' thumbnails; milliseconds.
  double ShowFolder() {
    QElapsedTimer clock;
    clock.start();
    app->MainWindow()->FolderTree()->NavigateToPath(folder);
    app->MainWindow()->repaint();
    while (!SlotsShowThumbs() && clock.elapsed() < 120000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return clock.nsecsElapsed() / 1e6;
  }

  void LeaveFolder() {
    app->MainWindow()->FolderTree()->NavigateToPath(root.path());
    QCoreApplication::processEvents();
  }
};

TWorld& World() {
  static TWorld world;
  return world;
}

void BM_FirstVisit(benchmark::State& state) {
  TWorld& w = World();
  for (auto _ : state) {
    state.SetIterationTime(w.ShowFolder() / 1000.0);
  }
  state.counters["entries"] = w.app->Lists().LoadedFiles.Count();
  w.LeaveFolder();
}
BENCHMARK(BM_FirstVisit)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SecondVisit(benchmark::State& state) {
  TWorld& w = World();
  int entries = 0;
  for (auto _ : state) {
    state.SetIterationTime(w.ShowFolder() / 1000.0);
    entries = w.app->Lists().LoadedFiles.Count();
    w.LeaveFolder();
  }
  state.counters["entries"] = entries;
  state.counters["VmHWM_MB"] = PeakResidentMB();
}
BENCHMARK(BM_SecondVisit)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--files=", 8) == 0) {
      files = std::atoi(argv[i] + 8);
    }
  }
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  World().app->Shutdown();
  benchmark::Shutdown();
  return 0;
}
