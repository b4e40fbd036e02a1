// Pictures of the HTML engine: bytes handed over by the page or read from a file, decoded
// once into 32-bit premultiplied pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace hl {

struct ImageData {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // top-down rows, premultiplied BGRA
    bool Valid() const { return width > 0 && height > 0; }
};

// Decodes PNG, GIF, JPEG, BMP or ICO bytes; an image of size 0 when they are not a picture.
ImageData DecodeImage(const BYTE* bytes, size_t size);

}  // namespace hl
