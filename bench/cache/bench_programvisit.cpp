// First visits and revisits in the running program (window, ribbon under
// Xvfb's GL, loader on every core, catalog), timed from the folder's
// selection in the tree. A first visit runs on a fresh catalog each time to
// the last stored thumbnail committed, beside vipsthumbnail -s 256 -o
// %s.jpg[Q=90] over the same files in the same run; a revisit starts the
// program again on the stored thumbnails and ends when the last of them is
// in the cache.
// Folders: the corpus's folder100 (100 names of 12.6 MP JPEG photos, made by
// make-corpus.sh) and png100 (the same photos as PNG, made here with vips on
// the first run).
// Run under Xvfb: xvfb-run -a build/bin/bench_programvisit [--corpus=DIR]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>

#include "app/glimrapplication.h"
#include "browse/ui/foldertree.h"
#include "imaging/cache/cash.h"
#include "mainwindow/frmvesk.h"

using namespace glimr;

namespace {

QString corpus = QStringLiteral(GLIMR_SOURCE_DIR "/bench/cache/corpus");

QStringList Files(const QString& folder) {
  QStringList files;
  const QDir dir(corpus + QLatin1Char('/') + folder);
  for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
    files << dir.filePath(name);
  }
  return files;
}

// The PNG twins of the corpus's photos and a folder of 100 names of them.
bool MakePngFolder() {
  const QString pngs = corpus + QStringLiteral("/pngs");
  const QString folder = corpus + QStringLiteral("/png100");
  QDir().mkpath(pngs);
  const QStringList photos = Files(QStringLiteral("photos"));
  if (photos.isEmpty()) {
    return false;
  }
  for (const QString& photo : photos) {
    const QString png = pngs + QLatin1Char('/') + QFileInfo(photo).completeBaseName() + ".png";
    if (!QFile::exists(png) &&
        QProcess::execute(QStringLiteral("vips"), {QStringLiteral("copy"), photo, png}) != 0) {
      return false;
    }
  }
  if (Files(QStringLiteral("png100")).size() == 100) {
    return true;
  }
  QDir().mkpath(folder);
  for (int n = 0; n < 100; ++n) {
    const QString from = pngs + QStringLiteral("/%1.png").arg(
                                    QFileInfo(photos[n % photos.size()]).completeBaseName());
    const QString to = folder + QStringLiteral("/f%1.png").arg(n, 4, 10, QLatin1Char('0'));
    if (link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
      return false;
    }
  }
  return true;
}

// Stored thumbnails of the folder's files, read through a connection of its own.
int StoredThumbs(const QString& database) {
  sqlite3* db = nullptr;
  int count = 0;
  if (sqlite3_open_v2(QFile::encodeName(database).constData(), &db, SQLITE_OPEN_READONLY,
                      nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM FILES WHERE ISTHUMB = 1", -1, &st, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      count = sqlite3_column_int(st, 0);
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return count;
}

// A folder load queues its first 100 entries, ".." among them: 99 images.
constexpr int kQueued = 99;
// Counting the stored rows opens the catalog: asked every 5 ms, it leaves
// the cores to the loader.
constexpr unsigned long kStoredPoll = 5000;

TGlimrApplication::Options ProgramOptions(const QString& root) {
  TGlimrApplication::Options o =
      TGlimrApplication::Options::UnderFolder(root, QStringLiteral(GLIMR_BINARY_DIR "/bin"));
  o.firstStartFolder = root;
  return o;
}

// Starts the program, selects the folder and runs its events until done()
// holds, asked every pollMicroseconds; the seconds from the selection, or a
// negative number after five minutes.
double VisitInProgram(const TGlimrApplication::Options& o, const QString& folder,
                      unsigned long pollMicroseconds,
                      const std::function<bool(TGlimrApplication&)>& done) {
  auto app = std::make_unique<TGlimrApplication>(o);
  app->Start();
  // The window's first paint (GL context, shaders, fonts) is start-up, not
  // the visit: it is done before the clock starts.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 500) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(5);
  }
  QElapsedTimer clock;
  clock.start();
  app->MainWindow()->FolderTree()->NavigateToPath(folder);
  while (!done(*app)) {
    if (clock.elapsed() > 300000) {
      return -1;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QThread::usleep(pollMicroseconds);
  }
  const double seconds = clock.nsecsElapsed() / 1e9;
  // The program starts in the folder it was left in: the next visit is to
  // start elsewhere.
  app->MainWindow()->FolderTree()->NavigateToPath(o.firstStartFolder);
  QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  app->Shutdown();
  return seconds;
}

void ProgramFirstVisit(benchmark::State& state, const QString& folder) {
  if (Files(folder).size() != 100) {
    state.SkipWithError("no corpus: run bench/cache/make-corpus.sh");
    return;
  }
  for (auto _ : state) {
    QTemporaryDir root;
    const TGlimrApplication::Options o = ProgramOptions(root.path());
    const QString database = o.paths.DatabaseDir + QStringLiteral("catalog.sqlite");
    const double seconds = VisitInProgram(
        o, corpus + QLatin1Char('/') + folder, kStoredPoll,
        [&database](TGlimrApplication&) { return StoredThumbs(database) >= kQueued; });
    if (seconds < 0) {
      state.SkipWithError("the thumbnails were not stored");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetItemsProcessed(state.iterations() * kQueued);
}

// Revisits: a first visit stores the folder's thumbnails, then every pass
// starts the program again (its cache empty) and times the selection to
// the last queued thumbnail in the cache, read from the catalog.
void ProgramRevisit(benchmark::State& state, const QString& folder) {
  if (Files(folder).size() != 100) {
    state.SkipWithError("no corpus: run bench/cache/make-corpus.sh");
    return;
  }
  QTemporaryDir root;
  const TGlimrApplication::Options o = ProgramOptions(root.path());
  const QString database = o.paths.DatabaseDir + QStringLiteral("catalog.sqlite");
  const QString path = corpus + QLatin1Char('/') + folder;
  if (VisitInProgram(o, path, kStoredPoll, [&database](TGlimrApplication&) {
        return StoredThumbs(database) >= kQueued;
      }) < 0) {
    state.SkipWithError("the thumbnails were not stored");
    return;
  }
  for (auto _ : state) {
    const double seconds = VisitInProgram(
        o, path, 500, [](TGlimrApplication& app) { return app.Cash()->Count() >= kQueued; });
    if (seconds < 0) {
      state.SkipWithError("the stored thumbnails did not reach the cache");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetItemsProcessed(state.iterations() * kQueued);
}

void Vipsthumbnail(benchmark::State& state, const QString& folder) {
  const QStringList files = Files(folder);
  if (files.size() != 100) {
    state.SkipWithError("no corpus: run bench/cache/make-corpus.sh");
    return;
  }
  for (auto _ : state) {
    QTemporaryDir out;
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(QStringLiteral("vipsthumbnail"),
            QStringList{QStringLiteral("-s"), QStringLiteral("256"), QStringLiteral("-o"),
                        out.path() + QStringLiteral("/%s.jpg[Q=90]")} +
                files);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
      state.SkipWithError("vipsthumbnail failed (apt-get install libvips-tools)");
      return;
    }
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
  }
  state.SetItemsProcessed(state.iterations() * files.size());
}

BENCHMARK_CAPTURE(Vipsthumbnail, jpeg, QStringLiteral("folder100"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(ProgramFirstVisit, jpeg, QStringLiteral("folder100"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(ProgramRevisit, jpeg, QStringLiteral("folder100"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(Vipsthumbnail, png, QStringLiteral("png100"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(ProgramFirstVisit, png, QStringLiteral("png100"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--corpus=", 9) == 0) {
      corpus = QString::fromLocal8Bit(argv[i] + 9);
    }
  }
  QApplication app(argc, argv);
  MakePngFolder();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
