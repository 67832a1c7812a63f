// libFuzzer target for one format plug-in, linked statically with its code.
// Each input is written to a file in memory-backed storage and handed to the
// plug-in's exports exactly as Glimr calls them: header, full and reduced
// decode. GLIMR_FUZZ_SUFFIXES names the file suffixes to try (the first byte
// of the input picks one), for plug-ins that look at the suffix.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "glimr_plugin.h"

extern "C" {
GlimrBitmap* GetFileBitmap(const char* path);
void GetFileInfo(const char* path, GlimrImageSize* size);
__attribute__((weak)) GlimrBitmap* GetFileBitmapReduced(const char* path, int32_t min_side);
}

namespace {

std::vector<std::string> Suffixes() {
  std::vector<std::string> out;
  std::string all = GLIMR_FUZZ_SUFFIXES;
  size_t start = 0;
  while (start <= all.size()) {
    const size_t comma = all.find(',', start);
    out.push_back(
        all.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos)
      break;
    start = comma + 1;
  }
  return out;
}

void Touch(const GlimrBitmap* b) {
  if (!b)
    return;
  // Reading the last byte makes ASan check that the block is as large as
  // the header claims.
  volatile unsigned char last = b->bits[(size_t)b->bytes_per_row * b->height - 1];
  (void)last;
  if (b->bytes_per_row < b->width * 3 || b->bytes_per_row % 4 != 0)
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::string> suffixes = Suffixes();
  std::string suffix = suffixes[0];
  if (suffixes.size() > 1) {
    if (size == 0)
      return 0;
    suffix = suffixes[data[0] % suffixes.size()];
    ++data;
    --size;
  }
  const std::string path = "/dev/shm/glimr-fuzz-" + std::to_string(getpid()) + "." + suffix;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    return 0;
  if (size)
    std::fwrite(data, 1, size, f);
  std::fclose(f);

  GlimrImageSize s{-1, -1};
  GetFileInfo(path.c_str(), &s);
  if ((s.width == 0) != (s.height == 0))
    abort();
  if (s.width && !glimr_size_acceptable(s.width, s.height))
    abort();
  GlimrBitmap* b = GetFileBitmap(path.c_str());
  Touch(b);
  std::free(b);
  if (GetFileBitmapReduced) {
    b = GetFileBitmapReduced(path.c_str(), 64);
    Touch(b);
    std::free(b);
  }
  unlink(path.c_str());
  return 0;
}
