// Search speed: a catalog-only search for "cat" over 200 000 rows in 2 000
// folders (2 000 match), and a repeated disk search over 50 000 files beside
// `find DIR -iname '*cat*'` on the same tree in the same run.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <vector>

#include "browse/filelist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/locks.h"
#include "search/criteria.h"
#include "search/searchrun.h"

using namespace glimr;

namespace {

struct Tree {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};
  QString root = dir.path() + QStringLiteral("/tree/");

  // folders x perFolder empty files, one "cat" name in each folder; with
  // rows, every file has its FILES row.
  Tree(int folders, int perFolder, bool rows) {
    for (int f = 0; f < folders; ++f) {
      const QString folder = root + QStringLiteral("f%1/").arg(f);
      QDir().mkpath(folder);
      std::vector<std::unique_ptr<TImageFileInfo>> made;
      const std::int32_t catalog = rows ? q.CatalogIDOfPath(folder) : 0;
      for (int i = 0; i < perFolder; ++i) {
        const QString name = i == 0 ? QStringLiteral("cat%1.jpg").arg(f)
                                    : QStringLiteral("img%1_%2.jpg").arg(f).arg(i);
        QFile(folder + name).open(QIODevice::WriteOnly);
        auto r = std::make_unique<TImageFileInfo>();
        r->FileName = name;
        r->TypeName = QStringLiteral("JPG");
        r->CatalogID = catalog;
        made.push_back(std::move(r));
      }
      if (rows) {
        std::vector<TImageFileInfo*> ptrs;
        for (auto& r : made) {
          ptrs.push_back(r.get());
        }
        q.InsertFileRecords(ptrs);
      }
    }
  }

  int Search(bool onlyDb) {
    TSearchRequest r;
    r.NameText = QStringLiteral("cat");
    r.Folders = {root};
    r.OnlyInDatabase = onlyDb;
    r.Properties.SupportedTypes = {QStringLiteral("JPG"), QStringLiteral("PNG")};
    const TComparObj criteria = BuildCriteria(r.Properties);
    TFileList results(true);
    std::atomic<bool> cancel{false};
    TSearchRun run(q, r, criteria, results, cancel);
    run.Run();
    return results.Count();
  }
};

void BM_CatalogOnly200k(benchmark::State& state) {
  static Tree tree(2000, 100, true);
  for (auto _ : state) {
    const int found = tree.Search(true);
    if (found != 2000) {
      state.SkipWithError("wrong count");
    }
  }
}
BENCHMARK(BM_CatalogOnly200k)->Unit(benchmark::kMillisecond)->Iterations(3);

Tree& DiskTree() {
  static Tree tree(500, 100, false);
  static const int first = tree.Search(false);  // the rows are made once
  (void)first;
  return tree;
}

void BM_DiskRepeat50k(benchmark::State& state) {
  Tree& tree = DiskTree();
  for (auto _ : state) {
    if (tree.Search(false) != 500) {
      state.SkipWithError("wrong count");
    }
  }
}
BENCHMARK(BM_DiskRepeat50k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Find50k(benchmark::State& state) {
  Tree& tree = DiskTree();
  for (auto _ : state) {
    QProcess find;
    find.start(QStringLiteral("find"),
               {tree.root, QStringLiteral("-iname"), QStringLiteral("*cat*")});
    find.waitForFinished(-1);
    if (find.readAllStandardOutput().count('\n') != 500) {
      state.SkipWithError("wrong count");
    }
  }
}
BENCHMARK(BM_Find50k)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
