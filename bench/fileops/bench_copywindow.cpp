// Copy runs as the program makes them: the copy driver with its real
// progress window on the main thread, while a 10 ms timer there records how
// late it fires, the longest stall the user could feel. Run under a display
// (xvfb-run). Sizes as bench_copy: GLIMR_BENCH_COPY_BIG_MB (default 2048),
// GLIMR_BENCH_COPY_FILES (2000) and GLIMR_BENCH_COPY_FILE_KB (200); data in
// GLIMR_BENCH_COPY_DIR (default a folder in the build tree).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>

#include "fileops/ui/copyrunner.h"
#include "fileops/ui/frmmessage.h"
#include "fileops/ui/veskcopyform.h"

using namespace glimr;

namespace {

qint64 EnvNumber(const char* name, qint64 fallback) {
  bool ok = false;
  const qint64 v = qEnvironmentVariable(name).toLongLong(&ok);
  return ok && v > 0 ? v : fallback;
}

QString Root() {
  const QString dir = qEnvironmentVariable("GLIMR_BENCH_COPY_DIR");
  return (dir.isEmpty() ? QStringLiteral(GLIMR_BINARY_DIR "/bench-data/copywindow") : dir) +
         QLatin1Char('/');
}

QStringList MakeFiles(const QString& folder, int count, qint64 size) {
  QDir().mkpath(folder);
  QStringList paths;
  QByteArray block(1 << 20, '\x5a');
  for (int i = 0; i < count; ++i) {
    const QString path = folder + QStringLiteral("f%1.jpg").arg(i);
    QFile f(path);
    if (!f.exists() || f.size() != size) {
      if (!f.open(QIODevice::WriteOnly)) {
        return {};
      }
      for (qint64 left = size; left > 0; left -= block.size()) {
        f.write(block.constData(), std::min<qint64>(left, block.size()));
      }
    }
    paths << path;
  }
  return paths;
}

void RunThroughWindow(benchmark::State& state, const QStringList& sources, qint64 bytes) {
  TveskCopyForm form;
  form.SetDetailsShown(true);
  TfrmMessage question(&form);
  TCopyRunner runner(form, question);
  double worstLateMs = 0;
  for (auto _ : state) {
    const QString destination = Root() + QStringLiteral("out/");
    QDir(destination).removeRecursively();
    QDir().mkpath(destination);
    std::vector<TCopyEntry> entries;
    for (const QString& s : sources) {
      entries.push_back(TCopyEntry{s, false, 0});
    }
    QElapsedTimer tick;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
      worstLateMs = std::max(worstLateMs, tick.nsecsElapsed() / 1e6 - 10.0);
      tick.restart();
    });
    tick.start();
    probe.start();
    QElapsedTimer clock;
    clock.start();
    const TCopyRunReport report = runner.Run(entries, destination, TOverwritePolicy::Overwrite);
    const double seconds = clock.nsecsElapsed() / 1e9;
    probe.stop();
    if (!report.Error.isEmpty()) {
      state.SkipWithError(qPrintable(report.Error));
      return;
    }
    state.SetIterationTime(seconds);
    state.counters["MiB/s"] = bytes / seconds / (1 << 20);
  }
  state.counters["late_ms"] = worstLateMs;
}

void BM_WindowCopyBig(benchmark::State& state) {
  const qint64 size = EnvNumber("GLIMR_BENCH_COPY_BIG_MB", 2048) << 20;
  const QStringList files = MakeFiles(Root() + QStringLiteral("big/"), 1, size);
  RunThroughWindow(state, files, size);
}

void BM_WindowCopySmall(benchmark::State& state) {
  const int count = int(EnvNumber("GLIMR_BENCH_COPY_FILES", 2000));
  const qint64 size = EnvNumber("GLIMR_BENCH_COPY_FILE_KB", 200) << 10;
  const QStringList files = MakeFiles(Root() + QStringLiteral("small/"), count, size);
  RunThroughWindow(state, files, size * count);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  const int runs = int(EnvNumber("GLIMR_BENCH_COPY_RUNS", 5));
  using TCase = std::pair<const char*, void (*)(benchmark::State&)>;
  for (const TCase& c : {TCase{"BM_WindowCopyBig", &BM_WindowCopyBig},
                         TCase{"BM_WindowCopySmall", &BM_WindowCopySmall}}) {
    const auto& [name, fn] = c;
    benchmark::RegisterBenchmark(name, fn)->Iterations(1)->Repetitions(runs)->UseManualTime()->Unit(
        benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  QDir(Root()).removeRecursively();
  return 0;
}
