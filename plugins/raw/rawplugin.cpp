/*
 * Camera raw plug-in over LibRaw. The full decode develops the raw data
 * (camera white balance, 8 bits, sRGB); thumbnails and views no larger than
 * the embedded JPEG preview come from that preview, and other reduced
 * requests from LibRaw's half-size development. Every result is turned
 * upright with the orientation LibRaw reads from the file.
 */
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <libraw.h>

#include "glimr_plugin.h"
#include "pluginutil.h"
#include "rawpreview.h"

namespace {

// What LibRaw may allocate for one file (its own limit is 2 GB); the full
// development holds 8 bytes a pixel plus the raw data.
constexpr unsigned kMaxRawMemoryMb = 1536;
// A preview whose proportions differ more than this from the picture's is
// letter-boxed or cropped, not a smaller copy of it.
constexpr double kPreviewAspectTolerance = 0.02;

// LibRaw reading a file that was opened without blocking, by its stream.
class FileStream : public LibRaw_abstract_datastream {
 public:
  FileStream(FILE* file, int64_t size) : file_(file), size_(size) {}
  ~FileStream() override {
    if (file_)
      std::fclose(file_);
  }
  int valid() override { return file_ != nullptr; }
  int read(void* ptr, size_t size, size_t count) override {
    const size_t n = std::fread(ptr, size, count, file_);
    bytesRead_ += static_cast<int64_t>(n * size);
    return static_cast<int>(n);
  }
  int seek(INT64 offset, int whence) override {
    return fseeko(file_, static_cast<off_t>(offset), whence);
  }
  INT64 tell() override { return ftello(file_); }
  INT64 size() override { return size_; }
  int get_char() override {
    const int c = std::getc(file_);
    bytesRead_ += c != EOF;
    return c;
  }
  char* gets(char* s, int n) override {
    char* line = std::fgets(s, n, file_);
    bytesRead_ += line ? static_cast<int64_t>(std::strlen(line)) : 0;
    return line;
  }
  int scanf_one(const char* format, void* value) override {
    return std::fscanf(file_, format, value);
  }
  int eof() override { return std::feof(file_); }
  void* make_jas_stream() override { return nullptr; }
  // Bytes LibRaw has read so far (the header's included).
  int64_t BytesRead() const { return bytesRead_; }

 private:
  FILE* file_;
  int64_t size_;
  int64_t bytesRead_ = 0;
};

// EXIF orientation (1..8) of LibRaw's flip code (bit 2 transposes, bit 1
// flips rows, bit 0 flips columns).
int OrientationOfFlip(int flip) {
  static const int kOrientation[8] = {1, 2, 4, 3, 5, 8, 6, 7};
  return flip >= 0 && flip < 8 ? kOrientation[flip] : 1;
}

// An opened raw file: LibRaw has read its structure, not its pixels.
// The stream is declared first so that it outlives LibRaw reading it.
struct Opened {
  std::unique_ptr<FileStream> stream;
  std::unique_ptr<LibRaw> raw;
  int32_t width = 0, height = 0;  // upright size of the picture
  int dataErrors = 0;             // reports of corrupt or missing pixel data
};

// LibRaw's report of pixel data it could not read ("data corrupted", or
// the file ending early): the picture would have holes or be black.
void CountDataError(void* data, const char* /*file*/, const int /*offset*/) {
  ++*static_cast<int*>(data);
}

// Whether the unpacking read too little for the picture to be in it: a
// decoder that finds its data missing (a lossless JPEG strip past the end
// of the file, cut off, or without its markers) stops without an error and
// leaves the sensor buffer as it was allocated, black or whatever the
// memory held. Every coding of sensor data takes more than a bit per 32
// pixels, so fewer bytes than that mean the data were never there.
bool SensorDataMissing(const LibRaw& raw, int64_t bytesRead) {
  const libraw_image_sizes_t& s = raw.imgdata.sizes;
  const int64_t pixels = static_cast<int64_t>(s.raw_width) * s.raw_height;
  return bytesRead < pixels / 256 + 16;
}

bool Open(const char* path, Opened& o) {
  int64_t size = 0;
  FILE* file = glimr_fopen_regular(path, &size);
  if (!file)
    return false;
  o.stream = std::make_unique<FileStream>(file, size);
  o.raw.reset(new (std::nothrow) LibRaw(LIBRAW_OPIONS_NO_DATAERR_CALLBACK));
  if (!o.raw)
    return false;
  libraw_output_params_t& params = o.raw->imgdata.params;
  params.max_raw_memory_mb = kMaxRawMemoryMb;
  o.raw->set_dataerror_handler(CountDataError, &o.dataErrors);
  if (o.raw->open_datastream(o.stream.get()) != LIBRAW_SUCCESS)
    return false;
  const libraw_image_sizes_t& s = o.raw->imgdata.sizes;
  if (!glimr_size_acceptable(s.raw_width, s.raw_height) ||
      !glimr_size_acceptable(s.width, s.height))
    return false;
  const bool swap = glimr_orientation_swaps_sides(OrientationOfFlip(s.flip));
  o.width = swap ? s.height : s.width;
  o.height = swap ? s.width : s.height;
  return true;
}

// The developed picture as an upright bitmap.
GlimrBitmap* FromProcessed(const libraw_processed_image_t* image) {
  if (!image || image->type != LIBRAW_IMAGE_BITMAP || image->bits != 8 ||
      (image->colors != 3 && image->colors != 1))
    return nullptr;
  const int w = image->width, h = image->height, c = image->colors;
  if (static_cast<uint64_t>(w) * h * c > image->data_size)
    return nullptr;
  GlimrBitmap* b = glimr_bitmap_alloc(w, h);
  if (!b)
    return nullptr;
  for (int y = 0; y < h; ++y) {
    const unsigned char* in = image->data + static_cast<size_t>(y) * w * c;
    unsigned char* out = b->bits + static_cast<size_t>(y) * b->bytes_per_row;
    for (int x = 0; x < w; ++x, in += c, out += 3) {
      out[0] = in[c == 3 ? 2 : 0];
      out[1] = in[c == 3 ? 1 : 0];
      out[2] = in[0];
    }
  }
  return b;
}

// Develops the raw data, at half size when asked.
GlimrBitmap* Develop(Opened& o, bool half) {
  libraw_output_params_t& params = o.raw->imgdata.params;
  params.half_size = half ? 1 : 0;
  params.use_camera_wb = 1;
  params.output_bps = 8;
  params.user_flip = -1;  // the file's own orientation
  // Missing or corrupt pixel data make no picture rather than a black one.
  const int64_t header = o.stream->BytesRead();
  if (o.raw->unpack() != LIBRAW_SUCCESS || o.dataErrors > 0 ||
      SensorDataMissing(*o.raw, o.stream->BytesRead() - header) ||
      o.raw->dcraw_process() != LIBRAW_SUCCESS || o.dataErrors > 0)
    return nullptr;
  int error = 0;
  libraw_processed_image_t* image = o.raw->dcraw_make_mem_image(&error);
  GlimrBitmap* b = error == LIBRAW_SUCCESS ? FromProcessed(image) : nullptr;
  LibRaw::dcraw_clear_mem(image);
  return b;
}

// The embedded preview, upright, when it is at least min_side on both sides
// (or as large as the picture) and has the picture's proportions.
GlimrBitmap* FromPreview(Opened& o, int32_t min_side) {
  if (o.raw->unpack_thumb() != LIBRAW_SUCCESS)
    return nullptr;
  const libraw_thumbnail_t& t = o.raw->imgdata.thumbnail;
  const int orientation = OrientationOfFlip(o.raw->imgdata.sizes.flip);
  const bool swap = glimr_orientation_swaps_sides(orientation);
  const auto* data = reinterpret_cast<const unsigned char*>(t.thumb);
  int32_t tw = 0, th = 0;
  if (t.tformat == LIBRAW_THUMBNAIL_JPEG) {
    if (!glimr_raw_jpeg_size(data, t.tlength, &tw, &th))
      return nullptr;
  } else if (t.tformat == LIBRAW_THUMBNAIL_BITMAP && t.tcolors == 3 &&
             static_cast<uint64_t>(t.twidth) * t.theight * 3 <= t.tlength) {
    tw = t.twidth;
    th = t.theight;
  } else {
    return nullptr;
  }
  const int32_t uw = swap ? th : tw, uh = swap ? tw : th;
  const double aspect = static_cast<double>(uw) / uh;
  const double want = static_cast<double>(o.width) / o.height;
  if (uw < std::min(min_side, o.width) || uh < std::min(min_side, o.height) ||
      std::fabs(aspect / want - 1) > kPreviewAspectTolerance)
    return nullptr;
  GlimrBitmap* b = nullptr;
  if (t.tformat == LIBRAW_THUMBNAIL_JPEG) {
    b = glimr_raw_jpeg_decode(data, t.tlength, min_side);
  } else if ((b = glimr_bitmap_alloc(tw, th)) != nullptr) {
    for (int32_t y = 0; y < th; ++y) {
      const unsigned char* in = data + static_cast<size_t>(y) * tw * 3;
      unsigned char* out = b->bits + static_cast<size_t>(y) * b->bytes_per_row;
      for (int32_t x = 0; x < tw; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    }
  }
  return glimr_bitmap_orient(b, orientation);
}

// min_side < 0: header only, fills size. Otherwise decodes, reduced when
// min_side > 0.
GlimrBitmap* Decode(const char* path, int32_t min_side, GlimrImageSize* size) {
  Opened o;
  if (!Open(path, o))
    return nullptr;
  if (min_side < 0) {
    // The developed size: pixel aspect and Fuji's turned sensors applied,
    // the sides swapped for the orientations that turn by 90 degrees. It
    // changes LibRaw's sizes, so only a header read may ask for it.
    const libraw_image_sizes_t& s = o.raw->imgdata.sizes;
    if (o.raw->adjust_sizes_info_only() == LIBRAW_SUCCESS &&
        glimr_size_acceptable(s.iwidth, s.iheight)) {
      size->width = s.iwidth;
      size->height = s.iheight;
    }
    return nullptr;
  }
  if (min_side == 0)
    return glimr_full_size_acceptable(o.width, o.height) ? Develop(o, false) : nullptr;
  if (GlimrBitmap* b = FromPreview(o, min_side))
    return b;
  const bool half = o.width / 2 >= min_side && o.height / 2 >= min_side;
  if (!half && !glimr_full_size_acceptable(o.width, o.height))
    return nullptr;
  return Develop(o, half);
}

// The extensions of the raw formats LibRaw develops.
const char* const kExtensions[] = {"DNG", "CR2", "CR3", "CRW", "NEF", "NRW", "ARW", "SR2", "SRF",
                                   "ORF", "RW2", "RWL", "RAF", "PEF", "PTX", "SRW", "3FR", "FFF",
                                   "IIQ", "MOS", "MEF", "MRW", "ERF", "KDC", "DCR", "K25"};
constexpr int kExtensionCount = sizeof kExtensions / sizeof kExtensions[0];

struct ExtensionList {
  GlimrExtNode nodes[kExtensionCount];
  ExtensionList() {
    for (int i = 0; i < kExtensionCount; ++i)
      nodes[i] = {kExtensions[i], i + 1 < kExtensionCount ? &nodes[i + 1] : nullptr};
  }
};

const ExtensionList kExtensionList;

}  // namespace

extern "C" {

GLIMR_PLUGIN_EXPORT const char* GetPluginType(void) {
  return GLIMR_PLUGIN_TYPE;
}

GLIMR_PLUGIN_EXPORT const char* GetPluginName(void) {
  return "Camera raw (LibRaw)";
}

GLIMR_PLUGIN_EXPORT const GlimrExtNode* GetSupplyExtensions(void) {
  return &kExtensionList.nodes[0];
}

GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmap(const char* path) {
  try {
    return path ? Decode(path, 0, nullptr) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmapReduced(const char* path, int32_t min_side) {
  try {
    return path ? Decode(path, min_side > 0 ? min_side : 0, nullptr) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

GLIMR_PLUGIN_EXPORT void GetFileInfo(const char* path, GlimrImageSize* size) {
  if (!size)
    return;
  size->width = 0;
  size->height = 0;
  try {
    if (path)
      Decode(path, -1, size);
  } catch (...) {
    size->width = 0;
    size->height = 0;
  }
}

}  // extern "C"
