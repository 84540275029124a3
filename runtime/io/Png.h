// PNG pictures through libpng's simplified interface, which converts any PNG (grey, palette,
// 16-bit, with or without alpha) to 8-bit BGRA on reading.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tintara::io {

// Whether this build can read and write PNG.
bool PngAvailable();

// Reads only the picture's size.
bool PngSize(const std::string& path, int* width, int* height, std::string* why);
// Decodes a picture of the given size into top-down BGRA rows.
bool ReadPng(const std::string& path, int width, int height, std::vector<uint8_t>* bgra, std::string* why);
// Encodes top-down bgr24 rows as an RGB PNG.
bool EncodePng(const uint8_t* bgr, int width, int height, std::vector<uint8_t>* png, std::string* why);

}  // namespace tintara::io
