// PNG pictures through libpng. Reading turns any PNG (grey, palette, 16-bit, with or without
// alpha) into 8-bit BGRA without gamma: 16-bit samples are scaled exactly. Reading is bounded: a
// picture has at most kMaxPngPixels, an ancillary chunk at most kMaxPngChunk bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tintara::io {

constexpr uint32_t kMaxPngPixels = uint32_t{1} << 26;  // 8192 x 8192
constexpr uint32_t kMaxPngChunk = 8u << 20;

// Whether this build can read and write PNG.
bool PngAvailable();

// Reads only the picture's size.
bool PngSize(const std::string& path, int* width, int* height, std::string* why);
// Decodes a picture of the given size into top-down BGRA rows.
bool ReadPng(const std::string& path, int width, int height, std::vector<uint8_t>* bgra, std::string* why);
// Encodes top-down bgr24 rows as an RGB PNG.
bool EncodePng(const uint8_t* bgr, int width, int height, std::vector<uint8_t>* png, std::string* why);

}  // namespace tintara::io
