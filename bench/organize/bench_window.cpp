// Organizing measured in the running program: the whole application (window,
// ribbon under Xvfb's GL, loader, catalog) on a data folder of 10 000 real
// JPEG files in 100 folders, all in one category. Three figures:
//   - the category's second visit, from the selection to the list painted
//     and the nine ribbon slots showing their stored thumbnails;
//   - a filter change over the 10 000 loaded entries (rebuild, slots made
//     anew, scene prepared, window repainted), and one keystroke in the name
//     mask;
//   - a rating set on all 10 000 images through the window's action, and the
//     time until the catalog holds it.
// Run under Xvfb: xvfb-run -a build/bin/bench_window

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>
#include <mutex>
#include <vector>

#include "app/glimrapplication.h"
#include "browse/currentlists.h"
#include "browse/ui/filelistview.h"
#include "browse/ui/foldertree.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"
#include "organize/ui/frcategories.h"
#include "organize/ui/frfilters.h"
#include "ribbon/ribbon.h"
#include "ribbon/ui/ribbonview.h"

using namespace glimr;

namespace {

constexpr int kFolders = 100;
constexpr int kPerFolder = 100;

struct TWorld {
  QTemporaryDir root;
  std::int32_t category = 0;
  std::unique_ptr<TGlimrApplication> app;

  TWorld() {
    QImage picture(160, 120, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    const QString sample = root.path() + QStringLiteral("/sample.jpg");
    picture.save(sample);
    const QString home = root.path() + QStringLiteral("/home");
    std::mutex lock;
    {
      TdmVesk dm(home + QStringLiteral("/DataBase/"), lock);
      TCatalogQueries q(dm);
      category = q.InsertCategory(QStringLiteral("Travel"), 0);
      std::vector<std::unique_ptr<TImageFileInfo>> records;
      for (int d = 0; d < kFolders; ++d) {
        const QString folder =
            root.path() + QStringLiteral("/pics/%1/").arg(d, 3, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        const std::int32_t catalog = q.CatalogIDOfPath(folder);
        for (int i = 0; i < kPerFolder; ++i) {
          auto r = std::make_unique<TImageFileInfo>();
          r->FileName = QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
          r->CatalogID = catalog;
          r->CategoryID = category;
          r->Rating = i % 6;
          QFile::copy(sample, folder + r->FileName);
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
    app->MainWindow()->resize(1270, 1000);
  }

  // The pages as the window hosts them.
  TfrCategories& CategoriesPage() { return *app->MainWindow()->findChild<TfrCategories*>(); }
  TfrFilters& FiltersPage() { return *app->MainWindow()->findChild<TfrFilters*>(); }

  bool NineSlotsShowThumbs() {
    const TRibbon& ribbon = app->Ribbon()->Ribbon();
    int shown = 0;
    for (const auto& slot : ribbon.Slots) {
      shown += slot && slot->Loaded && slot->HasThumb ? 1 : 0;
    }
    const int expected = std::min(5, app->Lists().CurrentFiles.Count());  // slots 4..8 at entry 0
    return shown >= expected;
  }

  // Shows the category and waits for its thumbnails; milliseconds.
  double ShowCategory() {
    QElapsedTimer clock;
    clock.start();
    // As a click on the category's entry tells it.
    Q_EMIT CategoriesPage().categoryChosen(category, QStringLiteral("Travel"));
    app->MainWindow()->repaint();
    while (!NineSlotsShowThumbs() && clock.elapsed() < 60000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return clock.nsecsElapsed() / 1e6;
  }

  int RowsRated(int rating) {
    std::mutex lock;
    TdmVesk dm(app->Context().Paths.DatabaseDir, lock);
    std::lock_guard guard(dm.DbLock());
    TStatement st(dm.CurrentSession(),
                  QStringLiteral("SELECT COUNT(*) FROM FILES WHERE RATING = :Rating;"));
    st.BindInt(":Rating", rating);
    return st.Step() ? st.Row().Int(0) : 0;
  }
};

TWorld& World() {
  static TWorld world;
  return world;
}

void BM_CategorySecondVisit(benchmark::State& state) {
  TWorld& w = World();
  w.ShowCategory();  // the first visit makes and stores the thumbnails
  for (auto _ : state) {
    w.app->MainWindow()->FolderTree()->NavigateToPath(QDir::tempPath());
    state.SetIterationTime(w.ShowCategory() / 1000.0);
  }
  state.counters["entries"] = w.app->Lists().CurrentFiles.Count();
}
BENCHMARK(BM_CategorySecondVisit)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FilterChange(benchmark::State& state) {
  TWorld& w = World();
  w.ShowCategory();
  TFilterSettings settings;
  settings.Active = true;
  bool narrow = true;
  for (auto _ : state) {
    settings.Ratings = narrow ? QList<int>{4, 5} : QList<int>{};
    narrow = !narrow;
    QElapsedTimer clock;
    clock.start();
    Q_EMIT w.FiltersPage().filterChanged(settings);
    w.app->MainWindow()->repaint();
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
  }
}
BENCHMARK(BM_FilterChange)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_NameKeystroke(benchmark::State& state) {
  TWorld& w = World();
  auto* edit = w.app->MainWindow()->findChild<QLineEdit*>(QStringLiteral("edName"));
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(edit, Qt::Key_I);
    QCoreApplication::processEvents();
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
  }
  edit->clear();
}
BENCHMARK(BM_NameKeystroke)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_RateTenThousand(benchmark::State& state) {
  TWorld& w = World();
  Q_EMIT w.FiltersPage().filterChanged(TFilterSettings{});
  w.ShowCategory();
  TFileListView* list = w.app->MainWindow()->ListView();
  list->SelectAll();
  double written = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    w.app->MainWindow()->Actions().Get("aSetFiveStars")->trigger();
    w.app->MainWindow()->repaint();
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
    // The prompt write-back, which waits for a pause in the edits first.
    while (w.RowsRated(5) < kFolders * kPerFolder && clock.elapsed() < 60000) {
      QTest::qWait(20);
    }
    written = clock.nsecsElapsed() / 1e6;
    w.app->MainWindow()->Actions().Get("aClearRating")->trigger();
    QTest::qWait(2500);
  }
  state.counters["written_ms"] = written;
}
BENCHMARK(BM_RateTenThousand)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  World().app->Shutdown();
  benchmark::Shutdown();
  return 0;
}
