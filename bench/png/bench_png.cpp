// Large PNG decoding, per file (24 MP, written on the first run):
//   spng/thumb/<file>    the PNG plug-in's GetFileBitmapReduced(path, 256)
//   spng/full/<file>     the PNG plug-in's GetFileBitmap
//   libpng/thumb|full    the same decoder over libpng (libpng_reference.c)
//   floor/spng/<file>    spng_decode_image of the whole picture in its own
//                        format: the library's own cost, with no reduction
//   floor/libpng/<file>  png_read_image of the whole picture
//   vips/<file>          vipsthumbnail -s 256 -o %s.jpg[Q=90], wall time of
//                        the child (cpu_ms: its CPU time, all threads)
// The thumbnail runs also report peak_MB: how far one decode in a fresh
// child process raised the resident peak.
// On a busy machine compare the CPU columns.
// Usage: bench_png [--corpus=DIR] [benchmark flags]

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <png.h>
#include <spawn.h>
#include <spng.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "glimr_plugin.h"

extern char** environ;

namespace {

constexpr int kThumbSize = 256;
constexpr int kWidth = 6000, kHeight = 4000;

struct Sample {
  const char* name;
  int colorType;  // PNG_COLOR_TYPE_RGB or PNG_COLOR_TYPE_RGB_ALPHA
  int bitDepth;
  bool interlace;
};

const Sample kSamples[] = {{"rgb8", PNG_COLOR_TYPE_RGB, 8, false},
                           {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false},
                           {"rgb16", PNG_COLOR_TYPE_RGB, 16, false},
                           {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
                           {"rgb8-adam7", PNG_COLOR_TYPE_RGB, 8, true}};

// A photograph-like picture: smooth ramps with fine detail, so the
// encoder's filters and deflate work about as hard as on a real photo.
void PictureRow(int y, int channels, int bitDepth, std::vector<png_byte>& row) {
  for (int x = 0; x < kWidth; ++x) {
    const int detail = ((x * 7 + y * 13) ^ (x * y)) & 31;
    const int v[4] = {(x * 255 / kWidth) ^ detail, y * 255 / kHeight + detail / 2,
                      (x + y) * 255 / (kWidth + kHeight) - detail / 4 + 8, 160 + (detail & 63)};
    for (int c = 0; c < channels; ++c) {
      if (bitDepth == 16) {
        row[(x * channels + c) * 2] = static_cast<png_byte>(v[c]);
        row[(x * channels + c) * 2 + 1] = static_cast<png_byte>(detail * 8 + c);
      } else {
        row[x * channels + c] = static_cast<png_byte>(v[c]);
      }
    }
  }
}

bool WriteSample(const Sample& s, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, kWidth, kHeight, s.bitDepth, s.colorType,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const int channels = s.colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
  std::vector<png_byte> row(static_cast<size_t>(kWidth) * channels * (s.bitDepth / 8));
  const int passes = s.interlace ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < kHeight; ++y) {
      PictureRow(y, channels, s.bitDepth, row);
      png_write_row(png, row.data());
    }
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool Prepare(const std::string& corpus) {
  std::error_code error;
  std::filesystem::create_directories(corpus, error);
  for (const Sample& s : kSamples) {
    const std::string path = corpus + "/" + s.name + ".png";
    if (access(path.c_str(), R_OK) == 0)
      continue;
    std::fprintf(stderr, "writing %s...\n", path.c_str());
    if (!WriteSample(s, path + ".part") || std::rename((path + ".part").c_str(), path.c_str()) != 0)
      return false;
  }
  return true;
}

struct Decoder {
  GlimrGetFileBitmapFn full = nullptr;
  GlimrGetFileBitmapReducedFn reduced = nullptr;
};

Decoder Load(const char* file) {
  Decoder d;
  void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "%s\n", dlerror());
    return d;
  }
  d.full = reinterpret_cast<GlimrGetFileBitmapFn>(dlsym(handle, "GetFileBitmap"));
  d.reduced = reinterpret_cast<GlimrGetFileBitmapReducedFn>(dlsym(handle, "GetFileBitmapReduced"));
  return d;
}

long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0)
      return std::atol(line.c_str() + 6);
  }
  return 0;
}

// How far one reduced decode raises the resident peak, measured in a child
// whose peak starts at its resident set.
double ThumbnailPeakMb(const Decoder& d, const std::string& path) {
  int fds[2];
  if (pipe(fds) != 0)
    return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = PeakRssKb();
    GlimrBitmap* b = d.reduced(path.c_str(), kThumbSize);
    const long growth = b ? PeakRssKb() - before : -1024;
    std::free(b);
    const bool ok = write(fds[1], &growth, sizeof growth) == sizeof growth;
    _exit(ok ? 0 : 1);
  }
  close(fds[1]);
  long growth = -1024;
  if (pid < 0 || read(fds[0], &growth, sizeof growth) != sizeof growth)
    growth = -1024;
  close(fds[0]);
  if (pid > 0)
    waitpid(pid, nullptr, 0);
  return growth / 1024.0;
}

void Thumbnail(benchmark::State& state, const Decoder* d, std::string path) {
  if (!d->reduced) {
    state.SkipWithError("plug-in does not load");
    return;
  }
  for (auto _ : state) {
    GlimrBitmap* b = d->reduced(path.c_str(), kThumbSize);
    if (!b) {
      state.SkipWithError("decode failed");
      break;
    }
    std::free(b);
  }
  state.counters["peak_MB"] = ThumbnailPeakMb(*d, path);
}

void Full(benchmark::State& state, const Decoder* d, std::string path) {
  if (!d->full) {
    state.SkipWithError("plug-in does not load");
    return;
  }
  for (auto _ : state) {
    GlimrBitmap* b = d->full(path.c_str());
    if (!b) {
      state.SkipWithError("decode failed");
      break;
    }
    std::free(b);
  }
}

void FloorSpng(benchmark::State& state, std::string path) {
  for (auto _ : state) {
    FILE* f = std::fopen(path.c_str(), "rb");
    spng_ctx* ctx = spng_ctx_new(0);
    size_t size = 0;
    int error = !f || !ctx || spng_set_png_file(ctx, f) ||
                spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size);
    std::vector<unsigned char> out(error ? 0 : size);
    if (!error)
      error = spng_decode_image(ctx, out.data(), out.size(), SPNG_FMT_PNG, 0);
    spng_ctx_free(ctx);
    if (f)
      std::fclose(f);
    if (error) {
      state.SkipWithError("spng failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
}

void FloorLibpng(benchmark::State& state, std::string path) {
  for (auto _ : state) {
    FILE* f = std::fopen(path.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<unsigned char> out;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
      png_destroy_read_struct(&png, &info, nullptr);
      std::fclose(f);
      state.SkipWithError("libpng failed");
      break;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t stride = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    out.resize(stride * height);
    for (png_uint_32 y = 0; y < height; ++y)
      rows.push_back(out.data() + stride * y);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    benchmark::DoNotOptimize(out.data());
  }
}

// vipsthumbnail writes beside its input, so it works on a link in a
// temporary folder.
void Vips(benchmark::State& state, std::string path) {
  char folder[] = "/tmp/bench_png_XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string link = std::string(folder) + "/picture.png";
  if (symlink(path.c_str(), link.c_str()) != 0) {
    state.SkipWithError("no link");
    return;
  }
  double cpu = 0;
  for (auto _ : state) {
    const char* args[] = {"vipsthumbnail", "-s",         "256",  "-o",
                          "%s.jpg[Q=90]",  link.c_str(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawnp(&pid, "vipsthumbnail", nullptr, nullptr, const_cast<char**>(args), environ) !=
        0) {
      state.SkipWithError("vipsthumbnail not found (package libvips-tools)");
      break;
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("vipsthumbnail failed");
      break;
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    cpu += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  state.counters["cpu_ms"] = state.iterations() ? cpu * 1e3 / state.iterations() : 0;
  unlink((std::string(folder) + "/picture.jpg").c_str());
  unlink(link.c_str());
  rmdir(folder);
}

}  // namespace

int main(int argc, char** argv) {
  std::string corpus = GLIMR_BENCH_CORPUS;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--corpus=", 9) == 0)
      corpus = argv[i] + 9;
    else
      rest.push_back(argv[i]);
  }
  if (!Prepare(corpus)) {
    std::fprintf(stderr, "cannot write the samples into %s\n", corpus.c_str());
    return 1;
  }
  static const Decoder spng = Load(GLIMR_PLUGIN_DIR "/glimr_png.so");
  static const Decoder libpng = Load(GLIMR_REFERENCE_PLUGIN);
  for (const Sample& s : kSamples) {
    const std::string path = corpus + "/" + s.name + ".png";
    const std::string name = s.name;
    const auto unit = benchmark::kMillisecond;
    benchmark::RegisterBenchmark(("spng/thumb/" + name).c_str(), Thumbnail, &spng, path)
        ->Unit(unit);
    benchmark::RegisterBenchmark(("libpng/thumb/" + name).c_str(), Thumbnail, &libpng, path)
        ->Unit(unit);
    benchmark::RegisterBenchmark(("floor/spng/" + name).c_str(), FloorSpng, path)->Unit(unit);
    benchmark::RegisterBenchmark(("floor/libpng/" + name).c_str(), FloorLibpng, path)->Unit(unit);
    benchmark::RegisterBenchmark(("spng/full/" + name).c_str(), Full, &spng, path)->Unit(unit);
    benchmark::RegisterBenchmark(("libpng/full/" + name).c_str(), Full, &libpng, path)->Unit(unit);
    benchmark::RegisterBenchmark(("vips/" + name).c_str(), Vips, path)->UseManualTime()->Unit(unit);
  }
  int n = static_cast<int>(rest.size());
  benchmark::Initialize(&n, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
