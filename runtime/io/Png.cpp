#include "runtime/io/Png.h"

#ifdef TINTARA_HAVE_PNG
#include <png.h>
#endif

#include <cstring>

namespace tintara::io {

#ifdef TINTARA_HAVE_PNG

namespace {

std::string MessageOf(const png_image& image) {
  return image.message[0] ? std::string(image.message) : std::string("unknown libpng error");
}

bool Begin(const std::string& path, png_image* image, std::string* why) {
  std::memset(image, 0, sizeof *image);
  image->version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(image, path.c_str())) {
    *why = MessageOf(*image);
    png_image_free(image);
    return false;
  }
  return true;
}

}  // namespace

bool PngAvailable() { return true; }

bool PngSize(const std::string& path, int* width, int* height, std::string* why) {
  png_image image;
  if (!Begin(path, &image, why)) return false;
  const png_uint_32 w = image.width, h = image.height;
  png_image_free(&image);
  if (w == 0 || h == 0 || w > 1000000 || h > 1000000) {
    *why = "its size " + std::to_string(w) + "x" + std::to_string(h) + " is out of range";
    return false;
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool ReadPng(const std::string& path, int width, int height, std::vector<uint8_t>* bgra, std::string* why) {
  png_image image;
  if (!Begin(path, &image, why)) return false;
  if (image.width != static_cast<png_uint_32>(width) || image.height != static_cast<png_uint_32>(height)) {
    *why = "it is " + std::to_string(image.width) + "x" + std::to_string(image.height) + ", not " +
           std::to_string(width) + "x" + std::to_string(height);
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_BGRA;
  bgra->assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, nullptr, bgra->data(), 0, nullptr)) {
    *why = MessageOf(image);
    png_image_free(&image);
    return false;
  }
  return true;
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
