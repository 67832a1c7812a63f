// Folder loading of 10 000 small image files: the first load (every file
// gets a FILES row), the second load (rows read, disk scanned) and the same
// second load when every row carries a stored thumbnail, against a plain
// directory listing of the same folder as the floor.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sqlite3.h>

#include <memory>
#include <mutex>

#include "browse/folderloader.h"
#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/locks.h"

using namespace glimr;

namespace {

constexpr int kFiles = 10000;

// A complete 1x1 PNG.
const unsigned char kPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
    0x00, 0x90, 0x77, 0x53, 0xde, 0x00, 0x00, 0x00, 0x0c, 0x49, 0x44, 0x41, 0x54, 0x08,
    0xd7, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xdd, 0x8d,
    0xb0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

const QStringList kExtensions{QStringLiteral("JPG"), QStringLiteral("JPEG"),
                              QStringLiteral("PNG"), QStringLiteral("GIF"),
                              QStringLiteral("TIF"), QStringLiteral("WEBP")};

struct Fixture {
  QTemporaryDir root;
  QString folder;
  Fixture() {
    folder = root.path() + QStringLiteral("/pics/");
    QDir().mkpath(folder);
    const QByteArray png(reinterpret_cast<const char*>(kPng), sizeof(kPng));
    for (int i = 0; i < kFiles; ++i) {
      QFile f(folder + QStringLiteral("IMG_%1.png").arg(i, 5, 10, QLatin1Char('0')));
      f.open(QIODevice::WriteOnly);
      f.write(png);
    }
    for (int i = 0; i < 20; ++i) {
      QDir().mkpath(folder + QStringLiteral("sub%1").arg(i));
    }
  }
};

Fixture& Pics() {
  static Fixture f;
  return f;
}

// A catalog of its own, the shown list and a loader port that counts the
// keys a load queues.
struct Session : TLoaderPort {
  QTemporaryDir home;
  TLocks locks;
  TdmVesk dm{home.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries queries{dm};
  TShownList shown;
  const TCurrentLists& lists = shown.Lists();
  int queued = 0;
  TFolderLoader loader{queries, kExtensions};
  Session() {
    shown.SetLoaderPort(this);
    shown.SetCatalog(&queries);
  }
  void Stop() override {}
  void Enqueue(const QStringList& keys) override { queued = keys.size(); }
  void Start() override {}
  // The load's failure or refused writes, empty when it went through.
  QString Load() {
    const TFolderLoadReport report = loader.LoadFolder(Pics().folder, shown);
    if (!report.Error.isEmpty()) {
      return report.Error;
    }
    return report.CatalogWriteFailed ? QStringLiteral("catalog writes refused") : QString();
  }
};

void BM_DirectoryListing(benchmark::State& state) {
  const QByteArray path = QFile::encodeName(Pics().folder);
  for (auto _ : state) {
    QStringList names;
    DIR* d = opendir(path.constData());
    while (const dirent* e = readdir(d)) {
      names.append(QFile::decodeName(e->d_name));
    }
    closedir(d);
    benchmark::DoNotOptimize(names);
  }
}

void BM_FirstLoad(benchmark::State& state) {
  Pics();
  for (auto _ : state) {
    state.PauseTiming();
    auto s = std::make_unique<Session>();
    state.ResumeTiming();
    const QString failure = s->Load();
    state.PauseTiming();
    // "..", the 20 subfolders and the first 79 images are the first 100.
    if (!failure.isEmpty() || s->lists.LoadedFiles.Count() != kFiles + 21 || s->queued != 79) {
      state.SkipWithError("wrong entry count");
      break;
    }
    s.reset();
    state.ResumeTiming();
  }
}

void BM_SecondLoad(benchmark::State& state, bool withThumbs) {
  Session s;
  s.Load();
  if (withThumbs) {
    // A stored thumbnail of a typical size in every row.
    std::lock_guard lock(s.locks.DbLock);
    sqlite3_exec(s.dm.CurrentSession().Handle(),
                 "UPDATE FILES SET THUMB = randomblob(12000), ISTHUMB = 1", nullptr, nullptr,
                 nullptr);
  }
  for (auto _ : state) {
    const QString failure = s.Load();
    if (!failure.isEmpty() || s.lists.LoadedFiles.Count() != kFiles + 21) {
      state.SkipWithError("wrong entry count");
      break;
    }
  }
}

}  // namespace

BENCHMARK(BM_DirectoryListing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstLoad)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK_CAPTURE(BM_SecondLoad, rows, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SecondLoad, rows_with_thumbs, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
  QLoggingCategory::setFilterRules(QStringLiteral("glimr.*.debug=false"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
