// Organizing at scale: showing a category of 10 000 images spread over 100
// folders on its second visit (the rows read, their folders looked up, every
// file checked on disk, sorted and filtered), and writing a rating changed
// on 10 000 records back in one transaction.

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <mutex>
#include <vector>

#include "browse/currentlists.h"
#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/locks.h"
#include "organize/categoryloader.h"

using namespace glimr;

namespace {

constexpr int kFolders = 100;
constexpr int kPerFolder = 100;
constexpr int kFiles = kFolders * kPerFolder;

// Empty files in 100 folders, each with its FILES row in a catalog of its own,
// all in one category, every row with a stored thumbnail of a typical size.
struct Fixture {
  QTemporaryDir root;
  TLocks locks;
  std::unique_ptr<TdmVesk> dm;
  std::unique_ptr<TCatalogQueries> queries;
  std::int32_t category = 0;
  Fixture() {
    dm = std::make_unique<TdmVesk>(root.path() + QStringLiteral("/DataBase/"), locks.DbLock);
    queries = std::make_unique<TCatalogQueries>(*dm);
    category = queries->InsertCategory(QStringLiteral("Travel"), 0);
    std::vector<std::unique_ptr<TImageFileInfo>> records;
    for (int d = 0; d < kFolders; ++d) {
      const QString folder =
          root.path() + QStringLiteral("/pics/%1/").arg(d, 3, 10, QLatin1Char('0'));
      QDir().mkpath(folder);
      const std::int32_t catalog = queries->CatalogIDOfPath(folder);
      for (int i = 0; i < kPerFolder; ++i) {
        auto r = std::make_unique<TImageFileInfo>();
        r->FileName = QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        r->TypeName = QStringLiteral("JPG");
        r->CatalogID = catalog;
        r->CategoryID = category;
        QFile(folder + r->FileName).open(QIODevice::WriteOnly);
        records.push_back(std::move(r));
      }
    }
    std::vector<TImageFileInfo*> raw;
    for (auto& r : records) {
      raw.push_back(r.get());
    }
    queries->InsertFileRecords(raw);
    std::lock_guard lock(locks.DbLock);
    sqlite3_exec(dm->CurrentSession().Handle(),
                 "UPDATE FILES SET THUMB = randomblob(12000), ISTHUMB = 1", nullptr, nullptr,
                 nullptr);
  }
};

Fixture& Catalog() {
  static Fixture f;
  return f;
}

// Counts what the switch queues and does nothing else.
class TCountingPort : public TLoaderPort {
 public:
  int queued = 0;
  void Stop() override {}
  void Enqueue(const QStringList& keys) override { queued = static_cast<int>(keys.size()); }
  void Start() override {}
};

void BM_ShowCategorySecondVisit(benchmark::State& state) {
  Fixture& f = Catalog();
  TCountingPort port;
  TShownList shown;
  shown.SetLoaderPort(&port);
  shown.SetCatalog(f.queries.get());
  shown.SetSort({scName, 2});
  ShowCategory(*f.queries, f.category, shown);  // the first visit
  for (auto _ : state) {
    const TFolderLoadReport report = ShowCategory(*f.queries, f.category, shown);
    if (!report.Error.isEmpty() || shown.Current().Count() != kFiles || port.queued != 100) {
      state.SkipWithError("wrong entry count");
      break;
    }
  }
  shown.SetCatalog(nullptr);
}

void BM_WriteUserEditsRating(benchmark::State& state) {
  Fixture& f = Catalog();
  std::vector<std::unique_ptr<TImageFileInfo>> records = f.queries->ReadCategoryFiles(f.category);
  if (records.size() != kFiles) {
    state.SkipWithError("wrong record count");
    return;
  }
  std::vector<const TImageFileInfo*> edited;
  for (const auto& r : records) {
    edited.push_back(r.get());
  }
  std::uint8_t rating = 0;
  for (auto _ : state) {
    rating = static_cast<std::uint8_t>(rating % 5 + 1);
    for (auto& r : records) {
      r->Rating = rating;
    }
    f.queries->WriteUserEdits(edited);
  }
}

}  // namespace

BENCHMARK(BM_ShowCategorySecondVisit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteUserEditsRating)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  QLoggingCategory::setFilterRules(QStringLiteral("glimr.*.debug=false"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
