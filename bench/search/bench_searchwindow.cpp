// A search measured in the running program: the whole application under
// Xvfb, a catalog of 200 000 rows in 2 000 folders whose files exist (2 000
// names hold "cat"), a catalog-only search for "cat" with subfolders, from
// the press (the request handed to the Search page's router) to the results
// shown in the list and the ribbon, progress window included.
// Run under Xvfb: xvfb-run -a build/bin/bench_searchwindow

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <mutex>
#include <vector>

#include "app/commandparts.h"
#include "app/glimrapplication.h"
#include "browse/currentlists.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "mainwindow/frmvesk.h"
#include "search/searchrequest.h"
#include "search/ui/searchcommands.h"

using namespace glimr;

namespace {

constexpr int kFolders = 2000;
constexpr int kPerFolder = 100;

struct TWorld {
  QTemporaryDir root;
  std::unique_ptr<TGlimrApplication> app;
  QString tree;

  TWorld() {
    tree = root.path() + QStringLiteral("/pics/");
    const QString home = root.path() + QStringLiteral("/home");
    std::mutex lock;
    {
      TdmVesk dm(home + QStringLiteral("/DataBase/"), lock);
      TCatalogQueries q(dm);
      std::vector<std::unique_ptr<TImageFileInfo>> records;
      for (int d = 0; d < kFolders; ++d) {
        const QString folder = tree + QStringLiteral("%1/").arg(d, 4, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        const std::int32_t catalog = q.CatalogIDOfPath(folder);
        for (int i = 0; i < kPerFolder; ++i) {
          auto r = std::make_unique<TImageFileInfo>();
          r->FileName = i == 0 ? QStringLiteral("cat_%1.jpg").arg(d)
                               : QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
          r->TypeName = QStringLiteral("JPG");
          r->CatalogID = catalog;
          QFile(folder + r->FileName).open(QIODevice::WriteOnly);
          records.push_back(std::move(r));
        }
      }
      std::vector<TImageFileInfo*> raw;
      for (auto& r : records) {
        raw.push_back(r.get());
      }
      q.InsertFileRecords(raw);
    }
    app = std::make_unique<TGlimrApplication>(TGlimrApplication::Options::UnderFolder(
        root.path(), QStringLiteral(GLIMR_BINARY_DIR "/bin")));
    app->Start();
  }
};

void BM_SearchCatalogOnly(benchmark::State& state) {
  static TWorld world;
  TSearchRequest request;
  request.NameText = QStringLiteral("cat");
  request.Folders = {world.tree};
  request.OnlyInDatabase = true;
  request.Subdirectories = true;
  request.Properties.SupportedTypes = {QStringLiteral("JPG")};
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    world.app->Commands()->Search().Search(request);
    world.app->MainWindow()->repaint();
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
  }
  state.counters["found"] = world.app->Lists().CurrentFiles.Count();
}
BENCHMARK(BM_SearchCatalogOnly)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
