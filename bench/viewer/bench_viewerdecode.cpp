// The viewer's decoder over 24 MP JPEGs (6000 x 4000, made at start with
// fine detail so the decode does real work) through the shipped JPEG plug-in:
//   alone/<kind>        the decode and preparation on this thread, no decoder
//   decoder/<kind>      the same picture asked for as shown through
//                       TViewerDecoder, until pictureReady arrives here
//   step/prefetched     a step to a picture decoded ahead: the request and
//                       the cached picture taken
//   step/not_prefetched a step to a picture nobody decoded yet
// Kinds: fit1 (fit for a 1920 x 1080 screen), fit2 (the same screen at scale
// 2, 3840 device pixels), full. Times are wall-clock: the decodes run on the
// decoder's threads. decoder/<kind> minus alone/<kind> is the overhead.
// Usage: bench_viewerdecode [benchmark flags]

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <cstdio>
#include <mutex>
#include <random>

#include "common/regstore.h"
#include "imaging/plugins.h"
#include "viewer/viewerdecoder.h"

namespace {

using glimr::TDecodeKind;
using glimr::TDecodePriority;
using glimr::TPictureKey;
using glimr::TViewerDecoder;

constexpr int kPhotos = 4;

struct TBench {
  QTemporaryDir Dir;
  std::unique_ptr<glimr::RegStore> Store;
  glimr::TPluginSetPtr Plugins;
  std::mutex DecodeLock;
  QStringList Photos;
};

TBench* gBench = nullptr;

// A photo-like picture: smooth gradients under fine noise, which a JPEG
// encoder cannot flatten away.
QImage MakePhoto(int seed) {
  QImage image(6000, 4000, QImage::Format_RGB888);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-24, 24);
  for (int y = 0; y < image.height(); ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      row[3 * x] = uchar(std::clamp(x * 255 / 6000 + noise(random), 0, 255));
      row[3 * x + 1] = uchar(std::clamp(y * 255 / 4000 + noise(random), 0, 255));
      row[3 * x + 2] = uchar(std::clamp((x + y + seed * 900) % 256 + noise(random), 0, 255));
    }
  }
  return image;
}

TDecodeKind KindOf(int64_t arg) {
  return arg == 0 ? TDecodeKind::Full() : TDecodeKind::Fit(static_cast<std::int32_t>(arg));
}

TPictureKey KeyOf(const QString& path, TDecodeKind kind) {
  TPictureKey key;
  key.Path = path;
  key.Kind = kind;
  return key;
}

std::unique_ptr<TViewerDecoder> NewDecoder() {
  return std::make_unique<TViewerDecoder>(glimr::PluginViewerDecode(*gBench->Plugins),
                                          glimr::PluginNeedsDecodeLock(*gBench->Plugins),
                                          gBench->DecodeLock);
}

// Runs the event loop until the decoder has the picture (or gave up on it).
bool AwaitPicture(TViewerDecoder& decoder, const TPictureKey& key) {
  while (!decoder.Cache().Contains(key)) {
    if (decoder.InFlight() == 0 && decoder.Waiting() == 0)
      return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void Alone(benchmark::State& state) {
  const TDecodeKind kind = KindOf(state.range(0));
  const glimr::TViewerDecodeFunction decode = glimr::PluginViewerDecode(*gBench->Plugins);
  int i = 0;
  for (auto _ : state) {
    const TPictureKey key = KeyOf(gBench->Photos.at(i++ % kPhotos), kind);
    QImage picture = glimr::PrepareViewerPicture(decode(key.Path, kind), key);
    if (picture.isNull())
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(picture);
  }
}

void ThroughDecoder(benchmark::State& state) {
  const TDecodeKind kind = KindOf(state.range(0));
  auto decoder = NewDecoder();
  int i = 0;
  for (auto _ : state) {
    const TPictureKey key = KeyOf(gBench->Photos.at(i++ % kPhotos), kind);
    decoder->Request(key, TDecodePriority::Shown);
    if (!AwaitPicture(*decoder, key))
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(decoder->Peek(key));
    state.PauseTiming();
    decoder->Forget(key.Path);
    state.ResumeTiming();
  }
}

// Shows photo i with its neighbours asked for ahead, as the viewer does.
void ShowWithNeighbours(TViewerDecoder& decoder, int i, TDecodeKind kind, bool prefetch) {
  decoder.Request(KeyOf(gBench->Photos.at(i % kPhotos), kind), TDecodePriority::Shown);
  if (prefetch) {
    decoder.Request(KeyOf(gBench->Photos.at((i + 1) % kPhotos), kind), TDecodePriority::Prefetch);
    decoder.Request(KeyOf(gBench->Photos.at((i + kPhotos - 1) % kPhotos), kind),
                    TDecodePriority::Prefetch);
  }
}

void Step(benchmark::State& state) {
  const TDecodeKind kind = KindOf(state.range(0));
  const bool prefetch = state.range(1) != 0;
  auto decoder = NewDecoder();
  int i = 0;
  ShowWithNeighbours(*decoder, i, kind, prefetch);
  AwaitPicture(*decoder, KeyOf(gBench->Photos.at(0), kind));
  for (auto _ : state) {
    state.PauseTiming();
    // What was decoded ahead has arrived; without prefetching the next
    // photo is not in the cache (four photos, three cached at most).
    decoder->WaitIdle(std::chrono::minutes(1));
    QCoreApplication::processEvents();
    const TPictureKey next = KeyOf(gBench->Photos.at((i + 1) % kPhotos), kind);
    if (!prefetch)
      decoder->Forget(next.Path);
    state.ResumeTiming();
    ++i;
    ShowWithNeighbours(*decoder, i, kind, prefetch);
    if (!AwaitPicture(*decoder, next))
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(decoder->Peek(next));
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  TBench bench;
  gBench = &bench;
  bench.Store = std::make_unique<glimr::RegStore>(bench.Dir.filePath(QStringLiteral("Glimr.reg")));
  bench.Plugins = glimr::LoadPluginSet(*bench.Store, QStringLiteral(GLIMR_PLUGIN_DIR));
  for (int i = 0; i < kPhotos; ++i) {
    const QString path = bench.Dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
    QImageWriter writer(path, "JPG");
    writer.setQuality(92);
    if (!writer.write(MakePhoto(i))) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return 1;
    }
    bench.Photos << path;
  }
  const std::vector<std::pair<const char*, int64_t>> kinds = {
      {"fit1", 1920}, {"fit2", 3840}, {"full", 0}};
  for (const auto& [name, arg] : kinds) {
    benchmark::RegisterBenchmark((std::string("alone/") + name).c_str(), Alone)
        ->Arg(arg)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("decoder/") + name).c_str(), ThroughDecoder)
        ->Arg(arg)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    for (const bool prefetch : {true, false}) {
      benchmark::RegisterBenchmark(
          (std::string("step/") + (prefetch ? "prefetched/" : "not_prefetched/") + name).c_str(),
          Step)
          ->Args({arg, prefetch ? 1 : 0})
          // The wait for the decodes ahead is not timed: a fixed count keeps
          // the run from stretching it to the minimum time.
          ->Iterations(8)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
