// Re-filtering 10 000 loaded entries as the Filters page asks for it: a
// changed rating or category choice, each step of typing a name (the name
// is applied after the typing pause, so one rebuild per text), switching the
// filter off, and the plain ApplyFilter beneath it as the floor. A loader
// port that only takes the queue stands in for the loader, and no view
// listens.

#include <QLoggingCategory>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "browse/currentlists.h"
#include "browse/filter.h"
#include "browse/shownlist.h"

using namespace glimr;

namespace {

constexpr int kFiles = 10000;

// Names like "IMG_04217.jpg" and "holiday 0421.png", ratings 0..5 and
// categories 0..9 spread evenly, with a few folder entries first.
std::vector<std::unique_ptr<TImageFileInfo>> MakeRecords() {
  std::vector<std::unique_ptr<TImageFileInfo>> records;
  for (const char* folder : {"..", "2004", "2005"}) {
    auto r = std::make_unique<TImageFileInfo>();
    r->FileName = QString::fromLatin1(folder);
    r->Path = QStringLiteral("/pics/");
    r->IsFolder = true;
    records.push_back(std::move(r));
  }
  for (int i = 0; i < kFiles; ++i) {
    auto r = std::make_unique<TImageFileInfo>();
    r->FileName = i % 3 == 0 ? QStringLiteral("holiday %1.png").arg(i, 5, 10, QLatin1Char('0'))
                             : QStringLiteral("IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
    r->Path = QStringLiteral("/pics/");
    r->Rating = static_cast<std::uint8_t>(i % 6);
    r->CategoryID = i % 10;
    r->SlotWidth = 2.0;
    records.push_back(std::move(r));
  }
  return records;
}

void FillLists(TCurrentLists& lists) {
  for (auto& r : MakeRecords()) {
    const QString key = r->FullPath();
    lists.LoadedFiles.Append(key, r.release());
  }
  lists.CurrentFiles.AssignRefs(lists.LoadedFiles);
}

// The records as a source of the shown list, in the order made.
class TMadeSource : public TShownSource {
 public:
  TListSource Kind() const override { return TListSource::Catalog; }
  void Fill(TCurrentLists& lists, const TFillServices&, TFolderLoadReport&) override {
    FillLists(lists);
  }
};

// Takes the queue and does nothing else.
class TQuietPort : public TLoaderPort {
 public:
  void Stop() override {}
  void Enqueue(const QStringList& keys) override { benchmark::DoNotOptimize(keys.size()); }
  void Start() override {}
};

// A shown list of the records, with the quiet port.
struct TShown {
  TQuietPort port;
  TShownList list;
  TShown() {
    list.SetLoaderPort(&port);
    list.SetSort({scRating, 0});  // no comparison: the order made
    TMadeSource source;
    list.Show(source);
  }
};

TFilterSettings SettingsFor(int which) {
  switch (which) {
    case 0:
      return {true, QString(), {4, 5}, {}};
    case 1:
      return {true, QString(), {}, {0, 3, 7}};
    case 2:
      return {true, QStringLiteral("img_0"), {1, 2, 3}, {1, 2}};
    default:
      return {false, QString(), {}, {}};
  }
}

const char* const kSettingsNames[] = {"ratings 4+5", "categories 0,3,7", "all three", "off"};

void BM_SetFilter(benchmark::State& state) {
  TShown shown;
  const TFilterSettings filter = SettingsFor(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    shown.list.SetFilter(filter);
    benchmark::DoNotOptimize(shown.list.Current().Count());
  }
  state.SetLabel(kSettingsNames[state.range(0)]);
}
BENCHMARK(BM_SetFilter)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Typing "img_04" one key at a time, each text applied once.
void BM_TypingName(benchmark::State& state) {
  TShown shown;
  const QString typed = QStringLiteral("img_04");
  const QString text = typed.left(static_cast<int>(state.range(0)));
  const TFilterSettings filter{true, text, {}, {}};
  for (auto _ : state) {
    shown.list.SetFilter(filter);
    benchmark::DoNotOptimize(shown.list.Current().Count());
  }
  state.SetLabel(("\"" + text + "\"").toStdString());
}
BENCHMARK(BM_TypingName)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);

void BM_ApplyFilterOnly(benchmark::State& state) {
  TCurrentLists lists;
  FillLists(lists);
  const TFilterSettings filter = SettingsFor(2);
  for (auto _ : state) {
    ApplyFilter(lists.LoadedFiles, lists.CurrentFiles, filter);
    benchmark::DoNotOptimize(lists.CurrentFiles.Count());
  }
}
BENCHMARK(BM_ApplyFilterOnly)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QLoggingCategory::setFilterRules(QStringLiteral("glimr.*.debug=false"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
