// Thumbnail cache speed and memory on a photo corpus (make-corpus.sh):
//   Vipsthumbnail  the reference: vipsthumbnail -s 256 over the same files
//   Floor1of8      libjpeg-turbo's 1/8 decode of the same files
//   FirstVisit     decode, thumbnail, JPEG, database write per file
//   Revisit        stored thumbnails read and decoded into the cache
//   LoaderFirstVisit/N  the loader with N workers over 100 photos, as a
//                  first visit of a folder (compare with Vipsthumbnail100)
//   LoaderRevisit/N     the loader with N workers over 1000 stored
//                  thumbnails, cache of 1000
//   Folder500      the loader over 500 photos, cache of 100: peak RSS
// Corpus folder: $GLIMR_CACHE_CORPUS, else bench/cache/corpus.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <jpeglib.h>

#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/datetime.h"
#include "common/locks.h"
#include "common/regstore.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/catalogthumbstore.h"
#include "imaging/cache/loadercontrol.h"
#include "imaging/cache/pluginthumbmaker.h"
#include "imaging/plugins.h"

using namespace glimr;

namespace {

QString CorpusDir() {
  const QByteArray env = qgetenv("GLIMR_CACHE_CORPUS");
  return env.isEmpty() ? QStringLiteral(GLIMR_SOURCE_DIR "/bench/cache/corpus")
                       : QString::fromLocal8Bit(env);
}

QStringList Files(const QString& sub) {
  QDir dir(CorpusDir() + QLatin1Char('/') + sub);
  QStringList out;
  for (const QString& n : dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name)) {
    out << dir.absoluteFilePath(n);
  }
  return out;
}

// The whole pipeline with a fresh catalog that has a row for every file.
struct TWorld {
  explicit TWorld(const QStringList& files, int capacity = 100)
      : reg(tmp.path() + QStringLiteral("/Glimr.reg")),
        dm(tmp.path() + QStringLiteral("/DataBase/"), locks.DbLock),
        queries(dm),
        plugins(reg),
        maker(plugins),
        cash(locks, maker, capacity) {
    QDir().mkpath(tmp.path() + QStringLiteral("/DataBase/"));
    const QString key = kPluginsKey + QStringLiteral("\\jpeg");
    reg.WriteString(key, QStringLiteral("PluginFileName"),
                    QStringLiteral(GLIMR_PLUGIN_DIR "/glimr_jpeg.so"));
    reg.WriteDword(key, QStringLiteral("CanLoadPlugin"), 1);
    plugins.LoadPlugins();
    for (const QString& path : files) {
      TImageFileInfo r;
      const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
      r.FileName = path.mid(slash + 1);
      r.TypeName = QStringLiteral("JPG");
      r.CatalogID = queries.CatalogIDOfPath(path.left(slash + 1));
      r.FileDate = FileModDays(path);
      queries.InsertFileRecord(r);
    }
  }
  QTemporaryDir tmp;
  TLocks locks;
  RegStore reg;
  TdmVesk dm;
  TCatalogQueries queries;
  TPlugins plugins;
  TPluginThumbMaker maker;
  TCash cash;
};

void RunVipsthumbnail(benchmark::State& state, const QStringList& files) {
  QTemporaryDir out;
  for (auto _ : state) {
    QProcess p;
    p.start(QStringLiteral("vipsthumbnail"),
            QStringList{QStringLiteral("-s"), QStringLiteral("256"), QStringLiteral("-o"),
                        out.path() + QStringLiteral("/%s.jpg")} +
                files);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
      state.SkipWithError("vipsthumbnail failed (apt-get install libvips-tools)");
      return;
    }
  }
  state.SetItemsProcessed(state.iterations() * files.size());
}

void Vipsthumbnail(benchmark::State& state) {
  RunVipsthumbnail(state, Files(QStringLiteral("photos")));
}

// vipsthumbnail's own threads over the folder of the loader's first visit.
void Vipsthumbnail100(benchmark::State& state) {
  RunVipsthumbnail(state, Files(QStringLiteral("folder100")));
}

void Floor1of8(benchmark::State& state) {
  const QStringList files = Files(QStringLiteral("photos"));
  std::vector<unsigned char> row;
  for (auto _ : state) {
    for (const QString& path : files) {
      FILE* f = std::fopen(path.toLocal8Bit().constData(), "rb");
      jpeg_decompress_struct c{};
      jpeg_error_mgr err{};
      c.err = jpeg_std_error(&err);
      jpeg_create_decompress(&c);
      jpeg_stdio_src(&c, f);
      jpeg_read_header(&c, TRUE);
      c.scale_num = 1;
      c.scale_denom = 8;
      c.out_color_space = JCS_EXT_BGR;
      jpeg_start_decompress(&c);
      row.resize(static_cast<std::size_t>(c.output_width) * 3);
      JSAMPROW r = row.data();
      while (c.output_scanline < c.output_height) {
        jpeg_read_scanlines(&c, &r, 1);
      }
      jpeg_finish_decompress(&c);
      jpeg_destroy_decompress(&c);
      std::fclose(f);
    }
  }
  state.SetItemsProcessed(state.iterations() * files.size());
}

void FirstVisit(benchmark::State& state) {
  const QStringList files = Files(QStringLiteral("photos"));
  for (auto _ : state) {
    state.PauseTiming();
    auto world = std::make_unique<TWorld>(files);
    TCatalogThumbStore session(world->dm, world->queries);
    state.ResumeTiming();
    for (const QString& path : files) {
      world->cash.SetBitmapToCash(path, session, 256);
    }
    state.PauseTiming();
    if (world->cash.Count() != files.size()) {
      state.SkipWithError("not every file was cached");
    }
    world.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * files.size());
}

void Revisit(benchmark::State& state) {
  const QStringList files = Files(QStringLiteral("photos"));
  TWorld world(files);
  TCatalogThumbStore session(world.dm, world.queries);
  for (const QString& path : files) {
    world.cash.SetBitmapToCash(path, session, 256);
  }
  for (auto _ : state) {
    state.PauseTiming();
    world.cash.Clear();
    state.ResumeTiming();
    for (const QString& path : files) {
      world.cash.SetBitmapToCash(path, session, 256);
    }
  }
  state.SetItemsProcessed(state.iterations() * files.size());
}

// The revisit's parts one by one, to see where its time goes.
void RevisitPart(benchmark::State& state) {
  const QStringList files = Files(QStringLiteral("photos"));
  TWorld world(files);
  TCatalogThumbStore session(world.dm, world.queries);
  for (const QString& path : files) {
    world.cash.SetBitmapToCash(path, session, 256);
  }
  const QString folder = files[0].left(files[0].lastIndexOf(QLatin1Char('/')) + 1);
  const std::int32_t catalogID = session.CatalogIDOfPath(folder);
  TThumbRow row;
  session.ReadThumbRow(files[0].mid(folder.size()), catalogID, row);
  for (auto _ : state) {
    for (const QString& path : files) {
      switch (state.range(0)) {
        case 0:
          benchmark::DoNotOptimize(FileModDays(path));
          break;
        case 1:
          session.ReadThumbRow(path.mid(folder.size()), catalogID, row);
          break;
        case 2:
          benchmark::DoNotOptimize(DecodeStoredThumb(row.Thumb));
          break;
      }
    }
  }
  state.SetLabel(state.range(0) == 0   ? "file date"
                 : state.range(0) == 1 ? "row read"
                                       : "jpeg decode");
  state.SetItemsProcessed(state.iterations() * files.size());
}

// Runs a loader of workers threads over files until the queue is empty.
void LoadAll(TWorld& world, const QStringList& files, int workers) {
  TLoaderControl control(
      world.cash, world.locks,
      [&world] { return std::make_unique<TCatalogThumbStore>(world.dm, world.queries); }, workers);
  control.Enqueue(files);
  control.StartLoader(256);
  while (control.QueuedCount() > 0) {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  control.CloseLoader();
}

void LoaderFirstVisit(benchmark::State& state) {
  const QStringList files = Files(QStringLiteral("folder100"));
  const int workers = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto world = std::make_unique<TWorld>(files, static_cast<int>(files.size()));
    state.ResumeTiming();
    LoadAll(*world, files, workers);
    state.PauseTiming();
    if (world->cash.Count() != files.size()) {
      state.SkipWithError("not every file was cached");
    }
    world.reset();
    state.ResumeTiming();
  }
  state.counters["workers"] = EffectiveWorkerCount(workers);
  state.SetItemsProcessed(state.iterations() * files.size());
}

// Released in main, while the application still exists.
std::unique_ptr<TWorld>& StoredWorld() {
  static std::unique_ptr<TWorld> world;
  return world;
}

void LoaderRevisit(benchmark::State& state) {
  const QStringList files = Files(QStringLiteral("folder1000"));
  const int workers = static_cast<int>(state.range(0));
  // The first visit that stores every thumbnail takes half a minute: it is
  // made once for every run of this benchmark (the library calls it again
  // for each iteration count it tries).
  std::unique_ptr<TWorld>& stored = StoredWorld();
  if (!stored) {
    stored = std::make_unique<TWorld>(files, static_cast<int>(files.size()));
    LoadAll(*stored, files, 0);
  }
  TWorld& world = *stored;
  for (auto _ : state) {
    state.PauseTiming();
    world.cash.Clear();  // no loader runs between the passes
    state.ResumeTiming();
    LoadAll(world, files, workers);
  }
  if (world.cash.Count() != files.size()) {
    state.SkipWithError("not every file was cached");
  }
  state.counters["workers"] = EffectiveWorkerCount(workers);
  state.SetItemsProcessed(state.iterations() * files.size());
}

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) {
      return std::stol(line.substr(key.size()));
    }
  }
  return -1;
}

void Folder500(benchmark::State& state) {
  const QStringList files = Files(QStringLiteral("folder500"));
  for (auto _ : state) {
    TWorld world(files, 100);
    {
      // Peak counted from here: the process before the folder load is
      // reported separately as the baseline.
      std::ofstream("/proc/self/clear_refs") << "5";
    }
    const long baseline = StatusKb("VmRSS");
    TLoaderControl control(world.cash, world.locks, [&world] {
      return std::make_unique<TCatalogThumbStore>(world.dm, world.queries);
    });
    control.Enqueue(files);
    control.StartLoader(256);
    while (control.QueuedCount() > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    control.CloseLoader();
    state.counters["peak_MB"] = StatusKb("VmHWM") / 1024.0;
    state.counters["baseline_MB"] = baseline / 1024.0;
    state.counters["cached"] = world.cash.Count();
  }
  state.SetItemsProcessed(state.iterations() * files.size());
}

}  // namespace

BENCHMARK(Vipsthumbnail)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(Floor1of8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(FirstVisit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(Revisit)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(RevisitPart)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Vipsthumbnail100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(LoaderFirstVisit)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(LoaderRevisit)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(Folder500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  StoredWorld().reset();
  benchmark::Shutdown();
  return 0;
}
