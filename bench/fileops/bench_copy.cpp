// Copy speed: the copy engine beside `cp --reflink=never` on the same data in
// the same run, for one large file and for many small files copied into a
// folder, and a move within one file system beside `mv`. Engine runs go
// through TCopyThread while a main-thread timer polls Progress() every 100 ms,
// as the progress window does; gap_ms is how late that timer came at worst.
//
// Environment (defaults in brackets):
//   GLIMR_BENCH_COPY_DIR       folder for the data [a temporary folder in the build folder]
//   GLIMR_BENCH_COPY_BIG_MB    size of the large file in MiB [2048]
//   GLIMR_BENCH_COPY_FILES     number of small files [2000]
//   GLIMR_BENCH_COPY_FILE_KB   size of one small file in KiB [200]
//   GLIMR_BENCH_COPY_RUNS      runs of every case; the median is reported [5]
//   GLIMR_BENCH_COPY_SPARSE_GB when set, also copies a sparse file of that many GiB
// The cases run interleaved (--benchmark_enable_random_interleaving) so that
// a drift of the machine during the run hits the engine and cp alike. Before
// every timed run the file system is synced, untimed, so no run pays for the
// write-back of the one before; the timed runs themselves never sync.

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fileops/copyengine.h"

extern char** environ;

using namespace glimr;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr auto kPollInterval = std::chrono::milliseconds(100);

qint64 EnvNumber(const char* name, qint64 fallback) {
  bool ok = false;
  const qint64 v = qEnvironmentVariable(name).toLongLong(&ok);
  return ok && v > 0 ? v : fallback;
}

QByteArray Native(const QString& path) {
  return QFile::encodeName(path);
}

// Fills a buffer with bytes that neither compress nor repeat between buffers.
void Scramble(std::vector<char>& buffer, std::uint64_t seed) {
  std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (std::size_t i = 0; i + 8 <= buffer.size(); i += 8) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    std::memcpy(buffer.data() + i, &x, 8);
  }
}

bool WriteFile(const QString& path, qint64 size, std::uint64_t seed) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly))
    return false;
  std::vector<char> buffer(static_cast<std::size_t>(std::min<qint64>(size, 1 << 20)));
  for (qint64 done = 0; done < size;) {
    Scramble(buffer, seed++);
    const qint64 n = std::min<qint64>(size - done, static_cast<qint64>(buffer.size()));
    if (f.write(buffer.data(), n) != n)
      return false;
    done += n;
  }
  return true;
}

qint64 FileSize(const QString& path) {
  struct stat st;
  return ::stat(Native(path).constData(), &st) == 0 ? st.st_size : -1;
}

// Runs a program to its end; the seconds it took, or -1 when it failed.
double RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// The bench's files: one large file and a folder of small ones, made once.
struct TData {
  std::unique_ptr<QTemporaryDir> dir;
  QString root;
  QString big;
  qint64 bigSize = 0;
  QString smallFolder;
  QStringList small;
  qint64 smallBytes = 0;
  QString error;

  TData() {
    const QString base = qEnvironmentVariable("GLIMR_BENCH_COPY_DIR",
                                              QStringLiteral(GLIMR_BINARY_DIR "/bench-data"));
    QDir().mkpath(base);
    dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/bench-copy-XXXXXX"));
    if (!dir->isValid()) {
      error = QStringLiteral("cannot create a folder in ") + base;
      return;
    }
    root = dir->path() + QLatin1Char('/');
    bigSize = EnvNumber("GLIMR_BENCH_COPY_BIG_MB", 2048) * (1 << 20);
    big = root + QStringLiteral("big/big.bin");
    QDir().mkpath(root + QStringLiteral("big"));
    if (!WriteFile(big, bigSize, 1))
      error = QStringLiteral("cannot write ") + big;
    const qint64 count = EnvNumber("GLIMR_BENCH_COPY_FILES", 2000);
    const qint64 each = EnvNumber("GLIMR_BENCH_COPY_FILE_KB", 200) * 1024;
    smallFolder = root + QStringLiteral("small");
    QDir().mkpath(smallFolder);
    for (qint64 i = 0; i < count && error.isEmpty(); ++i) {
      small << smallFolder + QStringLiteral("/img%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
      if (!WriteFile(small.last(), each, 1000 + static_cast<std::uint64_t>(i)))
        error = QStringLiteral("cannot write ") + small.last();
      smallBytes += each;
    }
    // One untimed copy first: on a virtual machine the first use of fresh
    // memory is slow, and that would fall on whichever case runs first.
    if (error.isEmpty()) {
      const QString warm = root + QStringLiteral("warm.bin");
      RunProgram({"cp", "--reflink=never", Native(big).toStdString(), Native(warm).toStdString()});
      QFile::remove(warm);
    }
    Settle();
  }

  // Writes back what earlier runs left dirty, so each timed run starts from
  // the same state: the sources in the page cache, nothing pending. The
  // pause lets the device finish what the sync started (a file system
  // mounted with "discard" trims the deleted copies after the commit).
  void Settle() const {
    const int fd = ::open(Native(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      ::syncfs(fd);
      ::close(fd);
    }
    std::this_thread::sleep_for(
        std::chrono::milliseconds(EnvNumber("GLIMR_BENCH_COPY_PAUSE_MS", 500)));
  }

  // An empty destination folder (or none, for cp -r to create).
  QString FreshDestination(bool create) const {
    const QString dst = root + QStringLiteral("dst");
    QDir(dst).removeRecursively();
    if (create)
      QDir().mkpath(dst);
    Settle();
    return dst;
  }
};

TData& Data() {
  static TData data;
  return data;
}

std::atomic<double> gLargestGapMs{0};

struct TEngineRun {
  double seconds = 0;
  double largestGapMs = 0;
  QString error;
  std::int64_t finishedBytes = 0;
};

// One engine run on TCopyThread; the main thread meanwhile runs an event loop
// with a timer that polls the counters as the progress window does.
TEngineRun RunEngine(const QStringList& sources, bool move, const QString& destination) {
  std::vector<TCopyEntry> entries;
  entries.reserve(static_cast<std::size_t>(sources.size()));
  for (const QString& s : sources)
    entries.push_back({s, move, 0});
  TCopyEngine engine(std::move(entries), destination, TOverwritePolicy::Overwrite);

  TEngineRun run;
  QEventLoop loop;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(kPollInterval);
  Clock::time_point lastTick;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    const double late =
        std::chrono::duration<double, std::milli>(now - lastTick - kPollInterval).count();
    run.largestGapMs = std::max(run.largestGapMs, late);
    lastTick = now;
    benchmark::DoNotOptimize(engine.Progress());
  });

  std::atomic<Clock::rep> endTicks{0};
  TCopyThread thread(engine);
  const Clock::time_point start = Clock::now();
  lastTick = start;
  timer.start();
  thread.Start([&] {
    endTicks.store(Clock::now().time_since_epoch().count());
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  thread.Join();
  timer.stop();

  const Clock::time_point end{Clock::duration(endTicks.load())};
  run.seconds = std::chrono::duration<double>(end - start).count();
  run.finishedBytes = engine.Progress().Counters.FinishedBytes;
  run.error = engine.Error();
  const TCopyOutcome expected = move ? TCopyOutcome::Moved : TCopyOutcome::Copied;
  for (const TCopyResult& r : engine.Results()) {
    if (run.error.isEmpty() && r.Outcome != expected)
      run.error = r.Source + QStringLiteral(": not ") + (move ? "moved" : "copied");
  }
  return run;
}

bool Ready(benchmark::State& state) {
  if (!Data().error.isEmpty()) {
    state.SkipWithError(qPrintable(Data().error));
    return false;
  }
  return true;
}

void Finish(benchmark::State& state, double seconds, qint64 bytes, double gapMs = -1) {
  state.counters["MiB/s"] = seconds > 0 ? static_cast<double>(bytes) / kMiB / seconds : 0;
  if (gapMs >= 0) {
    state.counters["gap_ms"] = gapMs;
    double seen = gLargestGapMs.load();
    while (gapMs > seen && !gLargestGapMs.compare_exchange_weak(seen, gapMs)) {
    }
  }
}

void BM_CopyBig_Engine(benchmark::State& state) {
  if (!Ready(state))
    return;
  const TData& d = Data();
  TEngineRun run;
  for (auto _ : state) {
    const QString dst = d.FreshDestination(true);
    run = RunEngine({d.big}, false, dst);
    if (!run.error.isEmpty() || FileSize(dst + QStringLiteral("/big.bin")) != d.bigSize) {
      state.SkipWithError(qPrintable(QStringLiteral("engine: ") + run.error));
      return;
    }
    state.SetIterationTime(run.seconds);
  }
  Finish(state, run.seconds, d.bigSize, run.largestGapMs);
}

void BM_CopyBig_Cp(benchmark::State& state) {
  if (!Ready(state))
    return;
  const TData& d = Data();
  double seconds = 0;
  for (auto _ : state) {
    const QString dst = d.FreshDestination(true) + QStringLiteral("/big.bin");
    seconds = RunProgram(
        {"cp", "--reflink=never", Native(d.big).toStdString(), Native(dst).toStdString()});
    if (seconds < 0 || FileSize(dst) != d.bigSize) {
      state.SkipWithError("cp failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  Finish(state, seconds, d.bigSize);
}

void BM_CopySmall_Engine(benchmark::State& state) {
  if (!Ready(state))
    return;
  const TData& d = Data();
  TEngineRun run;
  for (auto _ : state) {
    const QString dst = d.FreshDestination(true);
    run = RunEngine(d.small, false, dst);
    if (!run.error.isEmpty()) {
      state.SkipWithError(qPrintable(QStringLiteral("engine: ") + run.error));
      return;
    }
    state.SetIterationTime(run.seconds);
  }
  Finish(state, run.seconds, d.smallBytes, run.largestGapMs);
}

void BM_CopySmall_Cp(benchmark::State& state) {
  if (!Ready(state))
    return;
  const TData& d = Data();
  double seconds = 0;
  for (auto _ : state) {
    const QString dst = d.FreshDestination(false);
    seconds = RunProgram({"cp", "-r", "--reflink=never", Native(d.smallFolder).toStdString(),
                          Native(dst).toStdString()});
    if (seconds < 0 || QDir(dst).entryList(QDir::Files).size() != d.small.size()) {
      state.SkipWithError("cp failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  Finish(state, seconds, d.smallBytes);
}

// Puts moved files back by rename, untimed.
bool MoveBack(const QStringList& sources, const QString& folder) {
  for (const QString& s : sources) {
    const QString moved = folder + s.mid(s.lastIndexOf(QLatin1Char('/')));
    if (::rename(Native(moved).constData(), Native(s).constData()) != 0)
      return false;
  }
  return true;
}

void MoveEngine(benchmark::State& state, const QStringList& sources, qint64 bytes) {
  if (!Ready(state))
    return;
  TEngineRun run;
  for (auto _ : state) {
    const QString dst = Data().FreshDestination(true);
    run = RunEngine(sources, true, dst);
    const bool back = MoveBack(sources, dst);
    if (!run.error.isEmpty() || !back) {
      state.SkipWithError(qPrintable(QStringLiteral("engine: ") + run.error));
      return;
    }
    // A rename moves the bytes at once; the counters must still show them done.
    if (run.finishedBytes != bytes) {
      state.SkipWithError("moved bytes not counted as done");
      return;
    }
    state.SetIterationTime(run.seconds);
  }
  Finish(state, run.seconds, bytes, run.largestGapMs);
}

void BM_MoveBig_Engine(benchmark::State& state) {
  MoveEngine(state, {Data().big}, Data().bigSize);
}

void BM_MoveSmall_Engine(benchmark::State& state) {
  MoveEngine(state, Data().small, Data().smallBytes);
}

void BM_MoveSmall_Mv(benchmark::State& state) {
  if (!Ready(state))
    return;
  const TData& d = Data();
  double seconds = 0;
  for (auto _ : state) {
    const QString dst = d.FreshDestination(true);
    std::vector<std::string> args{"mv", "-t", Native(dst).toStdString()};
    for (const QString& s : d.small)
      args.push_back(Native(s).toStdString());
    seconds = RunProgram(args);
    if (seconds < 0 || !MoveBack(d.small, dst)) {
      state.SkipWithError("mv failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  Finish(state, seconds, d.smallBytes);
}

// By hand: a sparse file larger than 4 GiB must arrive whole with its size;
// allocated_MiB shows whether the holes were kept.
void BM_CopySparse_Engine(benchmark::State& state) {
  if (!Ready(state))
    return;
  const TData& d = Data();
  const qint64 size = EnvNumber("GLIMR_BENCH_COPY_SPARSE_GB", 5) << 30;
  const QString source = d.root + QStringLiteral("sparse/sparse.bin");
  QDir().mkpath(d.root + QStringLiteral("sparse"));
  {
    QFile f(source);
    if (!f.open(QIODevice::WriteOnly) || f.write("head") != 4 || !f.resize(size) ||
        !f.seek(size - 4) || f.write("tail") != 4) {
      state.SkipWithError("cannot make the sparse file");
      return;
    }
  }
  TEngineRun run;
  QString copy;
  for (auto _ : state) {
    const QString dst = d.FreshDestination(true);
    copy = dst + QStringLiteral("/sparse.bin");
    run = RunEngine({source}, false, dst);
    if (!run.error.isEmpty()) {
      state.SkipWithError(qPrintable(QStringLiteral("engine: ") + run.error));
      return;
    }
    state.SetIterationTime(run.seconds);
  }
  QFile f(copy);
  bool ends = f.open(QIODevice::ReadOnly) && f.read(4) == "head";
  ends = ends && f.seek(size - 4) && f.read(4) == "tail";
  struct stat st;
  ::stat(Native(copy).constData(), &st);
  state.counters["size_ok"] = st.st_size == size && ends ? 1 : 0;
  state.counters["allocated_MiB"] = static_cast<double>(st.st_blocks) * 512 / kMiB;
  Finish(state, run.seconds, size, run.largestGapMs);
  QFile::remove(copy);
  QFile::remove(source);
}

// Shows every run as usual and keeps the medians for the summary.
class TSummaryReporter : public benchmark::ConsoleReporter {
 public:
  // A reporter of our own does not get the colour flag; colour only a terminal.
  TSummaryReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.aggregate_name == "median") {
        const auto rate = r.counters.find("MiB/s");
        rates_[r.run_name.function_name] = rate == r.counters.end() ? 0 : double(rate->second);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Summary(int runs) const {
    std::printf("\nMedians of %d runs (MiB/s; ratio = engine / other):\n", runs);
    Line("one large file, copy", "BM_CopyBig_Engine", "BM_CopyBig_Cp", "cp", 0.8);
    Line("small files, copy", "BM_CopySmall_Engine", "BM_CopySmall_Cp", "cp -r", 0.5);
    Line("small files, move", "BM_MoveSmall_Engine", "BM_MoveSmall_Mv", "mv", 0);
    std::printf("  largest main-thread timer gap beyond its %lld ms interval: %.1f ms\n",
                static_cast<long long>(kPollInterval.count()), gLargestGapMs.load());
  }

 private:
  void Line(const char* what, const std::string& engine, const std::string& other,
            const char* otherName, double target) const {
    const auto e = rates_.find(engine);
    const auto o = rates_.find(other);
    if (e == rates_.end() || o == rates_.end() || o->second <= 0)
      return;
    std::printf("  %-22s engine %9.1f  %-6s %9.1f  ratio %.2f", what, e->second, otherName,
                o->second, e->second / o->second);
    if (target > 0)
      std::printf("  (%s %.1f)", e->second / o->second >= target ? "meets" : "BELOW", target);
    std::printf("\n");
  }

  std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Interleave the cases unless told otherwise on the command line.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  if (std::none_of(args.begin(), args.end(), [](const char* a) {
        return std::strncmp(a, "--benchmark_enable_random_interleaving", 38) == 0;
      }))
    args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());

  const int runs = static_cast<int>(EnvNumber("GLIMR_BENCH_COPY_RUNS", 5));
  const auto add = [runs](const char* name, void (*fn)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name, fn)->Iterations(1)->Repetitions(runs)->UseManualTime()->Unit(
        benchmark::kMillisecond);
  };
  add("BM_CopyBig_Engine", BM_CopyBig_Engine);
  add("BM_CopyBig_Cp", BM_CopyBig_Cp);
  add("BM_CopySmall_Engine", BM_CopySmall_Engine);
  add("BM_CopySmall_Cp", BM_CopySmall_Cp);
  add("BM_MoveBig_Engine", BM_MoveBig_Engine);
  add("BM_MoveSmall_Engine", BM_MoveSmall_Engine);
  add("BM_MoveSmall_Mv", BM_MoveSmall_Mv);
  if (qEnvironmentVariableIsSet("GLIMR_BENCH_COPY_SPARSE_GB"))
    add("BM_CopySparse_Engine", BM_CopySparse_Engine);

  TSummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary(runs);
  benchmark::Shutdown();
  return 0;
}
