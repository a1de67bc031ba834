// Images as the tool holds them (top row first, blue-green-red, 3 bytes a pixel, no row
// padding) and the bitmap formats they come from and go to.
#ifndef ORVELLUX_BITMAP_IMAGE_H
#define ORVELLUX_BITMAP_IMAGE_H

#include <windows.h>

#include <string>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

// Reads a device-independent bitmap (BITMAPINFOHEADER, optional colour table, rows) of
// 24 bits a pixel, uncompressed, bottom-up or top-down; false with a reason otherwise.
bool ReadDib(const unsigned char* dib, size_t size, RgbImage* image, std::string* error);
// The same for a whole .bmp file in memory.
bool ReadBitmapFile(const unsigned char* file, size_t size, RgbImage* image, std::string* error);
// Writes an ordinary bottom-up 24-bit .bmp file, rows padded to 32 bits.
bool WriteBitmapFile(const std::string& path, const RgbImage& image, std::string* error);

#endif
