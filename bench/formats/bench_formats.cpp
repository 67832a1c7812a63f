// First-visit thumbnail making (GetFileInfo + GetFileBitmapReduced +
// MakeThumbnail at 256, as the thumbnail cache does) for:
//   heif/heic12          a 12 MP HEIC without an embedded thumbnail
//   heif/heic12-thumb512 the same with a 512 x 384 thumbnail (heif-enc -t)
//   vips/heic12          vipsthumbnail -s 256 -o %s.jpg[Q=90] of the first,
//                        wall time of the child process
//   raw/dng24            a 24 MP DNG with a 1620 x 1080 JPEG preview
//   raw/dng24-full       the full development of that DNG (GetFileBitmap)
//   raw/dng24-bigpreview a 24 MP DNG whose JPEG preview is full size
//   vips/dng24-bigpreview vipsthumbnail of that DNG (libvips reads a DNG's
//                        first picture, the preview, through libtiff)
// The samples are written into the corpus folder on the first run.
// Usage: bench_formats [--corpus=DIR] [benchmark flags]

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/plugin.h"
#include "imaging/scaler.h"

extern char** environ;

namespace {

constexpr int kThumbSize = 256;

// A photograph-like picture: smooth colour ramps with fine detail, so the
// encoders spend about as many bits as on a real photo.
QImage Picture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const int detail = ((x * 7 + y * 13) ^ (x * y)) & 31;
      row[3 * x] = static_cast<uchar>(x * 255 / width ^ detail);
      row[3 * x + 1] = static_cast<uchar>(y * 255 / height + detail / 2);
      row[3 * x + 2] = static_cast<uchar>((x + y) * 255 / (width + height) - detail / 4);
    }
  }
  return image;
}

bool Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.setStandardOutputFile(QProcess::nullDevice());
  p.start(program, args);
  return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool Prepare(const QString& corpus) {
  QDir().mkpath(corpus);
  const QString png = corpus + QStringLiteral("/picture.png");
  const auto need = [&](const char* name) { return !QFileInfo::exists(corpus + "/" + name); };
  if (need("heic12.heic") || need("heic12-thumb512.heic")) {
    std::fprintf(stderr, "writing the 12 MP HEIC samples (a minute or two)...\n");
    if (!Picture(4000, 3000).save(png) ||
        !Run("heif-enc", {"-q", "80", png, "-o", corpus + "/heic12.heic"}) ||
        !Run("heif-enc", {"-q", "80", "-t", "512", png, "-o", corpus + "/heic12-thumb512.heic"}))
      return false;
  }
  if (need("dng24.dng")) {
    std::fprintf(stderr, "writing the 24 MP DNG sample...\n");
    const QString preview = corpus + QStringLiteral("/preview.jpg");
    if (!Picture(1620, 1080).save(preview, "JPG", 90) ||
        !Run("python3", {GLIMR_SOURCE_DIR "/tests/plugins/samples/make_dng.py",
                         corpus + "/dng24.dng", "6000", "4000", "--preview", preview}))
      return false;
  }
  if (need("dng24-bigpreview.dng")) {
    std::fprintf(stderr, "writing the 24 MP DNG sample with a full-size preview...\n");
    const QString preview = corpus + QStringLiteral("/bigpreview.jpg");
    if (!Picture(6000, 4000).save(preview, "JPG", 90) ||
        !Run("python3", {GLIMR_SOURCE_DIR "/tests/plugins/samples/make_dng.py",
                         corpus + "/dng24-bigpreview.dng", "6000", "4000", "--preview", preview}))
      return false;
  }
  QFile::remove(png);
  return true;
}

glimr::TPlugin& Plugin(const char* name) {
  static glimr::TPlugin heif, raw;
  static const bool loaded =
      heif.Load(GLIMR_PLUGIN_DIR "/glimr_heif.so") && raw.Load(GLIMR_PLUGIN_DIR "/glimr_raw.so");
  if (!loaded)
    std::fprintf(stderr, "the HEIF or raw plug-in does not load\n");
  return std::strcmp(name, "heif") == 0 ? heif : raw;
}

void Thumbnail(benchmark::State& state, const char* plugin, QString path) {
  for (auto _ : state) {
    const QSize full = Plugin(plugin).FileInfo(path);
    const QImage bitmap = Plugin(plugin).FileBitmapReduced(path, kThumbSize);
    if (bitmap.isNull() || full.isEmpty()) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(glimr::MakeThumbnail(bitmap, full, kThumbSize));
  }
  state.SetItemsProcessed(state.iterations());
}

void Full(benchmark::State& state, const char* plugin, QString path) {
  for (auto _ : state) {
    const QImage bitmap = Plugin(plugin).FileBitmap(path);
    if (bitmap.isNull()) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(glimr::MakeThumbnail(bitmap, kThumbSize));
  }
}

// vipsthumbnail writes beside its input, so it works on a link in a
// temporary folder.
void Vips(benchmark::State& state, QString path) {
  QTemporaryDir dir;
  const QString link = dir.filePath(QFileInfo(path).fileName());
  QFile::link(path, link);
  const std::string input = link.toStdString();
  for (auto _ : state) {
    const char* args[] = {"vipsthumbnail", "-s",          "256",  "-o",
                          "%s.jpg[Q=90]",  input.c_str(), nullptr};
    QElapsedTimer timer;
    timer.start();
    pid_t pid;
    if (posix_spawnp(&pid, "vipsthumbnail", nullptr, nullptr, const_cast<char**>(args), environ) !=
        0) {
      state.SkipWithError("vipsthumbnail not found (package libvips-tools)");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("vipsthumbnail failed");
      break;
    }
    state.SetIterationTime(timer.nsecsElapsed() / 1e9);
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

int main(int argc, char** argv) {
  QString corpus = QStringLiteral(GLIMR_BENCH_CORPUS);
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--corpus=", 9) == 0)
      corpus = QString::fromLocal8Bit(argv[i] + 9);
    else
      rest.push_back(argv[i]);
  }
  if (!Prepare(corpus)) {
    std::fprintf(stderr, "cannot write the samples (heif-enc, python3: scripts/install-deps.sh)\n");
    return 1;
  }
  const QString heic = corpus + "/heic12.heic", heicThumb = corpus + "/heic12-thumb512.heic";
  const QString dng = corpus + "/dng24.dng";
  const QString bigPreview = corpus + "/dng24-bigpreview.dng";
  benchmark::RegisterBenchmark("heif/heic12", Thumbnail, "heif", heic)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("heif/heic12-thumb512", Thumbnail, "heif", heicThumb)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("vips/heic12", Vips, heic)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("raw/dng24", Thumbnail, "raw", dng)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("raw/dng24-full", Full, "raw", dng)
      ->Iterations(2)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("raw/dng24-bigpreview", Thumbnail, "raw", bigPreview)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("vips/dng24-bigpreview", Vips, bigPreview)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  int n = static_cast<int>(rest.size());
  benchmark::Initialize(&n, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
