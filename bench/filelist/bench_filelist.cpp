// The file list over 10 000 records: the cost of the model's data requests
// (what drawing and scrolling ask for), of a full re-sort by each column and
// of the selection commands. The records live in a folder that does not
// exist, so every figure here is made without a single disk access.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLoggingCategory>

#include <memory>
#include <utility>

#include "browse/filelistops.h"
#include "browse/shownlist.h"
#include "browse/ui/extensiontable.h"
#include "browse/ui/filelistmodel.h"
#include "browse/ui/filelistview.h"
#include "catalog/imagefileinfo.h"

using namespace glimr;

namespace {

constexpr int kFiles = 10000;
const char* const kExtensions[] = {"jpg", "png", "gif", "tif", "webp", "bmp"};

// Hands the shown list count records with scrambled names and details.
class TBenchSource : public TShownSource {
 public:
  TBenchSource(TExtensionTable& extensions, int count) : extensions_(extensions), count_(count) {}
  TListSource Kind() const override { return TListSource::Catalog; }
  QString Folder() const override { return QStringLiteral("/nonexistent-glimr-bench/photos/"); }
  void Fill(TCurrentLists& lists, const TFillServices&, TFolderLoadReport&) override {
    const QString dir = Folder();
    for (int i = 0; i < count_; ++i) {
      auto* r = new TImageFileInfo;
      // Scrambled numbers so that no column starts out sorted.
      const unsigned k = static_cast<unsigned>(i) * 2654435761u;
      r->FileName = QStringLiteral("IMG_%1.%2").arg(k % 100000).arg(kExtensions[k % 6]);
      r->Path = dir;
      r->ExtIndex = extensions_.ExtensionIndex(r->FullPath());
      r->FileSize = 10000 + static_cast<std::int64_t>(k % 9000000);
      r->FileDate = 40000.0 + (k % 5000) / 7.0;
      r->Width = 640 + static_cast<int>(k % 4000);
      r->Height = 480 + static_cast<int>((k >> 8) % 3000);
      r->Rating = static_cast<std::uint8_t>(k % 6);
      r->SlotWidth = 2.0;
      lists.LoadedFiles.Append(r->FullPath(), r);
    }
  }

 private:
  TExtensionTable& extensions_;
  int count_;
};

// The shown list, sorted by rating until a benchmark sorts it: that sort
// has no comparison, so the records keep their scrambled order.
struct TBenchLists {
  TExtensionTable Extensions;
  TShownList Shown;
  TBenchLists() {
    Shown.SetTypeNameOf([this](std::int32_t i) {
      const TExtInfo* e = Extensions.At(i);
      return e != nullptr ? e->ShellTypeName : QString();
    });
    Shown.SetSort({scRating, 1});
  }
  // Shows count records; views made before see them arrive.
  void Show(int count = kFiles) {
    TBenchSource source(Extensions, count);
    Shown.Show(source);
  }
};

// Every cell of every row, as a full repaint of a very tall list would ask.
void BM_ModelDataAllRows(benchmark::State& state) {
  TBenchLists b;
  b.Show();
  TFileListModel model(b.Shown.Current(), b.Extensions);
  model.SetRowCount(b.Shown.Current().Count());
  for (auto _ : state) {
    for (int row = 0; row < model.rowCount(); ++row) {
      for (int col = 0; col < scCount; ++col) {
        const QModelIndex index = model.index(row, col);
        benchmark::DoNotOptimize(model.data(index, Qt::DisplayRole));
        benchmark::DoNotOptimize(model.data(index, Qt::BackgroundRole));
      }
      benchmark::DoNotOptimize(model.data(model.index(row, scName), Qt::DecorationRole));
    }
  }
  state.SetItemsProcessed(state.iterations() * model.rowCount());
}
BENCHMARK(BM_ModelDataAllRows)->Unit(benchmark::kMillisecond);

// One scroll step: the 40 rows of a page somewhere in the list.
void BM_ModelDataPage(benchmark::State& state) {
  TBenchLists b;
  b.Show();
  TFileListModel model(b.Shown.Current(), b.Extensions);
  model.SetRowCount(b.Shown.Current().Count());
  int top = 0;
  for (auto _ : state) {
    for (int row = top; row < top + 40; ++row) {
      for (int col = 0; col < scCount; ++col) {
        benchmark::DoNotOptimize(model.data(model.index(row, col), Qt::DisplayRole));
      }
      benchmark::DoNotOptimize(model.data(model.index(row, scName), Qt::DecorationRole));
    }
    top = (top + 397) % (kFiles - 40);
  }
}
BENCHMARK(BM_ModelDataPage)->Unit(benchmark::kMicrosecond);

// A header click: LoadedFiles sorted, CurrentFiles given the same order.
void BM_Resort(benchmark::State& state) {
  TBenchLists b;
  b.Show();
  TSortState sort{static_cast<int>(state.range(0)), 1};
  for (auto _ : state) {
    sort.Arrow = sort.Arrow == 1 ? 2 : 1;  // alternate, so every run sorts
    b.Shown.SetSort(sort);
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_Resort)
    ->Arg(scName)
    ->Arg(scType)
    ->Arg(scDimensions)
    ->Arg(scSize)
    ->Arg(scDate)
    ->Arg(scRating)
    ->Unit(benchmark::kMillisecond);

// The widget: a header click's whole path (sort, selection follows the
// records) and the selection commands with the status line.
void BM_ViewResortWithSelection(benchmark::State& state) {
  TBenchLists b;
  TFileListView view(b.Shown, b.Extensions);
  b.Show();  // the view follows the list from its arrival
  const TFileList& files = b.Shown.Current();
  for (int i = 0; i < kFiles; i += 3) {
    files.At(i)->Selected = true;
  }
  view.RestoreSelectionFromRecords();
  if (view.Model()->rowCount() != kFiles || view.SelectedCount() != (kFiles + 2) / 3) {
    state.SkipWithError("the view does not show the list");
    return;
  }
  TSortState sort{scSize, 1};
  for (auto _ : state) {
    sort.Arrow = sort.Arrow == 1 ? 2 : 1;
    view.SetSortState(sort);
  }
}
BENCHMARK(BM_ViewResortWithSelection)->Unit(benchmark::kMillisecond);

void BM_ViewSelectionCommands(benchmark::State& state) {
  TBenchLists b;
  TFileListView view(b.Shown, b.Extensions);
  b.Show();
  if (view.Model()->rowCount() != kFiles) {
    state.SkipWithError("the view does not show the list");
    return;
  }
  for (auto _ : state) {
    view.SelectAll();
    view.InvertSelection();
    view.SelectNone();
  }
}
BENCHMARK(BM_ViewSelectionCommands)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  QLoggingCategory::setFilterRules(QStringLiteral("glimr.*.debug=false"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
