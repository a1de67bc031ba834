#include "bitmap_image.h"

#include <stdio.h>
#include <string.h>

namespace {

const size_t kFileHeaderSize = 14;
// Larger than any camera picture, small enough that width x height x 3 cannot overflow.
const long kMaxSide = 32768;

size_t PaddedRowSize(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3); }

}  // namespace

bool ReadDib(const unsigned char* dib, size_t size, RgbImage* image, std::string* error) {
    BITMAPINFOHEADER header;
    if (size < sizeof header) {
        *error = "bitmap of " + std::to_string(size) + " bytes has no complete header";
        return false;
    }
    memcpy(&header, dib, sizeof header);
    long height = header.biHeight < 0 ? -static_cast<long>(header.biHeight) : header.biHeight;
    if (header.biSize < sizeof header || header.biSize > size || header.biWidth <= 0 || height == 0 ||
        header.biWidth > kMaxSide || height > kMaxSide || header.biPlanes != 1) {
        *error = "bitmap header is not valid";
        return false;
    }
    if (header.biBitCount != 24 || header.biCompression != BI_RGB) {
        *error = "bitmap of " + std::to_string(header.biBitCount) + " bits, compression " +
                 std::to_string(header.biCompression) + " is not uncompressed 24-bit";
        return false;
    }
    size_t rowSize = PaddedRowSize(header.biWidth);
    size_t offset = header.biSize + static_cast<size_t>(header.biClrUsed) * sizeof(RGBQUAD);
    if (header.biClrUsed > 256 || offset > size || (size - offset) / rowSize < static_cast<size_t>(height)) {
        *error = "bitmap of " + std::to_string(size) + " bytes is too small for " +
                 std::to_string(header.biWidth) + " x " + std::to_string(height) + " pixels";
        return false;
    }
    image->width = header.biWidth;
    image->height = static_cast<int>(height);
    size_t outRow = static_cast<size_t>(image->width) * 3;
    image->pixels.resize(outRow * image->height);
    bool bottomUp = header.biHeight > 0;
    for (int row = 0; row < image->height; ++row) {
        int stored = bottomUp ? image->height - 1 - row : row;
        memcpy(&image->pixels[row * outRow], dib + offset + stored * rowSize, outRow);
    }
    return true;
}

bool ReadBitmapFile(const unsigned char* file, size_t size, RgbImage* image, std::string* error) {
    if (size < kFileHeaderSize || file[0] != 'B' || file[1] != 'M') {
        *error = "not a BMP file";
        return false;
    }
    DWORD pixelOffset;
    memcpy(&pixelOffset, file + 10, sizeof pixelOffset);
    const unsigned char* dib = file + kFileHeaderSize;
    size_t dibSize = size - kFileHeaderSize;
    BITMAPINFOHEADER header;
    if (dibSize >= sizeof header) {
        memcpy(&header, dib, sizeof header);
        // The pixel offset of the file header wins over the colour-table count.
        size_t tableEnd = header.biSize + static_cast<size_t>(header.biClrUsed) * sizeof(RGBQUAD);
        if (pixelOffset != kFileHeaderSize + tableEnd) {
            *error = "BMP file's pixel offset " + std::to_string(pixelOffset) + " does not follow its header";
            return false;
        }
    }
    return ReadDib(dib, dibSize, image, error);
}

bool WriteBitmapFile(const std::string& path, const RgbImage& image, std::string* error) {
    size_t rowSize = PaddedRowSize(image.width);
    size_t pixelBytes = rowSize * image.height;
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4d42;
    fileHeader.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    fileHeader.bfSize = static_cast<DWORD>(fileHeader.bfOffBits + pixelBytes);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = image.width;
    header.biHeight = image.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixelBytes);
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        *error = "cannot create " + path;
        return false;
    }
    bool written = fwrite(&fileHeader, sizeof fileHeader, 1, file) == 1 &&
                   fwrite(&header, sizeof header, 1, file) == 1;
    std::vector<unsigned char> row(rowSize, 0);
    size_t usedRow = static_cast<size_t>(image.width) * 3;
    for (int line = image.height - 1; written && line >= 0; --line) {
        memcpy(row.data(), &image.pixels[line * usedRow], usedRow);
        written = fwrite(row.data(), rowSize, 1, file) == 1;
    }
    if (fclose(file) != 0) written = false;
    if (!written) *error = "cannot write " + path;
    return written;
}
