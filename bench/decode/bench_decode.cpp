// Thumbnail making from real photographs, per image:
//   full/<photo>     GetFileBitmap + MakeThumbnail
//   reduced/<photo>  GetFileInfo + GetFileBitmapReduced + MakeThumbnail
//   djpeg/<photo>    "djpeg -scale 1/8" of the same file, timed by the
//                    child's CPU time: the floor of what a 1/8 decode costs.
// On a busy machine compare the CPU column of full/reduced with the Time
// column of djpeg.
// Usage: bench_decode [--corpus=DIR] [benchmark flags]
//        bench_decode --prepare OUT_DIR PHOTO...   (re-encodes to 12-24 MP)

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/plugin.h"
#include "imaging/scaler.h"

extern char** environ;

namespace {

constexpr int kThumbSize = 256;  // the default thumbnail quality
constexpr double kMinPixels = 12e6, kMaxPixels = 24e6;

// Scales each photo so it holds 12 to 24 megapixels and writes it as a
// baseline JPEG of quality 92, as a camera would.
int Prepare(int argc, char** argv) {
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);
  for (int i = 3; i < argc; ++i) {
    QImage image(QString::fromLocal8Bit(argv[i]));
    if (image.isNull()) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      continue;
    }
    const double pixels = double(image.width()) * image.height();
    double scale = 1.0;
    if (pixels < kMinPixels)
      scale = std::sqrt(12.5e6 / pixels);
    if (pixels > kMaxPixels)
      scale = std::sqrt(20e6 / pixels);
    if (scale != 1.0) {
      image = image.scaled(int(image.width() * scale), int(image.height() * scale),
                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QString target = out + QLatin1Char('/') +
                           QFileInfo(QString::fromLocal8Bit(argv[i])).completeBaseName() +
                           QStringLiteral(".jpg");
    QImageWriter writer(target, "JPG");
    writer.setQuality(92);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
      continue;
    }
    std::printf("%s %dx%d (%.1f MP)\n", qPrintable(target), image.width(), image.height(),
                image.width() * double(image.height()) / 1e6);
  }
  return 0;
}

glimr::TPlugin& JpegPlugin() {
  static glimr::TPlugin plugin;
  static const bool loaded = plugin.Load(QStringLiteral(GLIMR_PLUGIN_DIR "/glimr_jpeg.so"));
  if (!loaded)
    std::fprintf(stderr, "glimr_jpeg.so does not load\n");
  return plugin;
}

void Full(benchmark::State& state, QString path) {
  for (auto _ : state) {
    const QImage bitmap = JpegPlugin().FileBitmap(path);
    if (bitmap.isNull()) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(glimr::MakeThumbnail(bitmap, kThumbSize));
  }
}

void Reduced(benchmark::State& state, QString path) {
  for (auto _ : state) {
    const QSize full = JpegPlugin().FileInfo(path);
    const QImage bitmap = JpegPlugin().FileBitmapReduced(path, kThumbSize);
    if (bitmap.isNull() || full.isEmpty()) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(glimr::MakeThumbnail(bitmap, kThumbSize));
  }
}

// Timed by the child's own CPU time (user + system from wait4), so the
// figure compares with the in-process ones and leaves out process start-up
// only as far as the kernel accounts it to the parent.
void Djpeg(benchmark::State& state, std::string path) {
  for (auto _ : state) {
    const char* args[] = {"djpeg", "-scale", "1/8", "-outfile", "/dev/null", path.c_str(), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, const_cast<char**>(args), environ) != 0) {
      state.SkipWithError("djpeg not found (package libjpeg-turbo-progs)");
      break;
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    const double seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                           usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    state.SetIterationTime(seconds);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--prepare") == 0)
    return Prepare(argc, argv);
  QString corpus = QStringLiteral(GLIMR_BENCH_CORPUS);
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--corpus=", 9) == 0) {
      corpus = QString::fromLocal8Bit(argv[i] + 9);
    } else {
      rest.push_back(argv[i]);
    }
  }
  const QFileInfoList photos =
      QDir(corpus).entryInfoList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
  if (photos.isEmpty()) {
    std::fprintf(stderr, "no photographs in %s; run bench/decode/prepare_corpus.sh\n",
                 qPrintable(corpus));
    return 1;
  }
  for (const QFileInfo& photo : photos) {
    const QSize size = JpegPlugin().FileInfo(photo.absoluteFilePath());
    const std::string label = photo.completeBaseName().toStdString() + "_" +
                              std::to_string(size.width()) + "x" + std::to_string(size.height());
    benchmark::RegisterBenchmark(("full/" + label).c_str(), Full, photo.absoluteFilePath())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("reduced/" + label).c_str(), Reduced, photo.absoluteFilePath())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("djpeg/" + label).c_str(), Djpeg,
                                 photo.absoluteFilePath().toStdString())
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  int n = static_cast<int>(rest.size());
  benchmark::Initialize(&n, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
