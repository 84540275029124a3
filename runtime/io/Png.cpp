#include "runtime/io/Png.h"

#ifdef TINTARA_HAVE_PNG
#include <png.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace tintara::io {

#ifdef TINTARA_HAVE_PNG

namespace {

std::string MessageOf(const png_image& image) {
  return image.message[0] ? std::string(image.message) : std::string("unknown libpng error");
}

// A PNG being read with libpng's own interface. libpng reports errors by longjmp, so the
// functions that call it keep nothing with a destructor between the setjmp and the calls.
class Reader {
 public:
  Reader() = default;
  ~Reader() {
    if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    if (file_) std::fclose(file_);
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Opens the file and reads its chunks up to the picture data.
  bool Begin(const std::string& path, std::string* why) {
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
      *why = std::strerror(errno);
      return false;
    }
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
    if (png_) info_ = png_create_info_struct(png_);
    if (!png_ || !info_) {
      *why = "out of memory";
      return false;
    }
    if (!ReadInfo()) return Failed(why);
    const uint64_t pixels = static_cast<uint64_t>(Width()) * Height();
    if (pixels > kMaxPngPixels) {
      *why = "its size " + std::to_string(Width()) + "x" + std::to_string(Height()) + " is more than the " +
             std::to_string(kMaxPngPixels) + " pixels a picture may have";
      return false;
    }
    return true;
  }
  png_uint_32 Width() const { return png_get_image_width(png_, info_); }
  png_uint_32 Height() const { return png_get_image_height(png_, info_); }

  // Decodes the picture into top-down BGRA rows. Rows are added as they are decoded, so a
  // file that only claims a large size costs no more memory than the data it holds.
  bool Decode(std::vector<uint8_t>* bgra, std::string* why) {
    bgra->clear();
    if (!SetUpBgra() || !ReadRows(bgra)) return Failed(why);
    return true;
  }

 private:
  [[noreturn]] static void OnError(png_structp png, png_const_charp message) {
    Reader* self = static_cast<Reader*>(png_get_error_ptr(png));
    std::snprintf(self->message_, sizeof self->message_, "%s", message ? message : "unknown libpng error");
    png_longjmp(png, 1);
  }
  static void OnWarning(png_structp, png_const_charp) {}
  static void ReadBytes(png_structp png, png_bytep data, size_t size) {
    FILE* file = static_cast<FILE*>(png_get_io_ptr(png));
    if (std::fread(data, 1, size, file) != size)
      png_error(png, std::ferror(file) ? "a read error" : "the file ends before the picture does");
  }

  bool Failed(std::string* why) const {
    *why = message_;
    return false;
  }

  bool ReadInfo() {
    if (setjmp(png_jmpbuf(png_))) return false;
    png_set_read_fn(png_, file_, ReadBytes);
    // A chunk's length is allocated before its bytes are read, so a few bytes claiming a huge
    // text would cost that much memory: every ancillary chunk but transparency is skipped
    // unread (libpng then only reads past it), and the rest are bounded.
    static const png_byte kSkipped[] =
        "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, kSkipped, static_cast<int>(sizeof kSkipped / 5));
    png_set_user_limits(png_, kMaxPngPixels, kMaxPngPixels);
    png_set_chunk_malloc_max(png_, kMaxPngChunk);
    png_set_chunk_cache_max(png_, 1000);
    png_read_info(png_, info_);
    return true;
  }

  // Every kind of PNG to 8-bit BGRA: palettes and small greys expanded, transparency as alpha,
  // 16-bit samples scaled to 8 bits exactly (v x 255 / 65535, rounded). No gamma is applied.
  bool SetUpBgra() {
    if (setjmp(png_jmpbuf(png_))) return false;
    const int type = png_get_color_type(png_, info_);
    const int depth = png_get_bit_depth(png_, info_);
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png_);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png_);
    if (png_get_valid(png_, info_, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png_);
    if (depth == 16) png_set_scale_16(png_);
    if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png_);
    png_set_bgr(png_);
    png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
    passes_ = png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    return png_get_rowbytes(png_, info_) == static_cast<size_t>(Width()) * 4;
  }

  bool ReadRows(std::vector<uint8_t>* bgra) {
    if (setjmp(png_jmpbuf(png_))) return false;
    const size_t row = static_cast<size_t>(Width()) * 4;
    const png_uint_32 height = Height();
    if (passes_ == 1) {
      for (png_uint_32 y = 0; y < height; ++y) {
        bgra->resize(bgra->size() + row);
        png_read_row(png_, bgra->data() + bgra->size() - row, nullptr);
      }
    } else {
      // Interlaced pictures fill every row in each pass.
      bgra->assign(row * height, 0);
      for (int pass = 0; pass < passes_; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png_, bgra->data() + row * y, nullptr);
    }
    // Up to the end chunk, so that a file cut after its picture data is still refused.
    png_read_end(png_, nullptr);
    return true;
  }

  FILE* file_ = nullptr;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  int passes_ = 1;
  char message_[256] = "unknown libpng error";
};

}  // namespace

bool PngAvailable() { return true; }

bool PngSize(const std::string& path, int* width, int* height, std::string* why) {
  Reader reader;
  if (!reader.Begin(path, why)) return false;
  *width = static_cast<int>(reader.Width());
  *height = static_cast<int>(reader.Height());
  return true;
}

bool ReadPng(const std::string& path, int width, int height, std::vector<uint8_t>* bgra, std::string* why) {
  Reader reader;
  if (!reader.Begin(path, why)) return false;
  if (reader.Width() != static_cast<png_uint_32>(width) || reader.Height() != static_cast<png_uint_32>(height)) {
    *why = "it is " + std::to_string(reader.Width()) + "x" + std::to_string(reader.Height()) + ", not " +
           std::to_string(width) + "x" + std::to_string(height);
    return false;
  }
  return reader.Decode(bgra, why);
}

bool EncodePng(const uint8_t* bgr, int width, int height, std::vector<uint8_t>* png, std::string* why) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGR;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, bgr, 0, nullptr)) {
    *why = MessageOf(image);
    return false;
  }
  png->resize(size);
  if (!png_image_write_to_memory(&image, png->data(), &size, 0, bgr, 0, nullptr)) {
    *why = MessageOf(image);
    return false;
  }
  png->resize(size);
  return true;
}

#else

namespace {
const char kMissing[] = "this tintara was built without libpng, so it cannot read or write PNG";
}

bool PngAvailable() { return false; }
bool PngSize(const std::string&, int*, int*, std::string* why) {
  *why = kMissing;
  return false;
}
bool ReadPng(const std::string&, int, int, std::vector<uint8_t>*, std::string* why) {
  *why = kMissing;
  return false;
}
bool EncodePng(const uint8_t*, int, int, std::vector<uint8_t>*, std::string* why) {
  *why = kMissing;
  return false;
}

#endif

}  // namespace tintara::io
