#include "test_picture.h"

#include <algorithm>
#include <cstring>

namespace {

const COLORREF barColours[8] = {RGB(255, 255, 255), RGB(255, 255, 0), RGB(0, 255, 255),
                                RGB(0, 255, 0),     RGB(255, 0, 255), RGB(255, 0, 0),
                                RGB(0, 0, 255),     RGB(0, 0, 0)};

// 3 x 5 digit glyphs, one row per 3 bits, top row first.
const BYTE digitGlyphs[10][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
                                 {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1},
                                 {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

const int kDigits = 6;

}  // namespace

COLORREF TestPictureBarColour(int bar) { return barColours[bar]; }

void TestPicture::Prepare(LONG width, LONG height, LONG stride) {
    if (width == width_ && height == height_ && stride == stride_) return;
    width_ = width;
    height_ = height;
    stride_ = stride;
    background_.assign(static_cast<size_t>(stride) * height, 0);
    BYTE* rows = background_.data();
    for (int bar = 0; bar < 8; ++bar)
        Fill(rows, width * bar / 8, 0, width * (bar + 1) / 8, height, barColours[bar]);
    Fill(rows, 0, 0, width / 8, height / 8, RGB(255, 0, 0));
    Fill(rows, width - width / 8, height - height / 8, width, height, RGB(0, 0, 255));
    Fill(rows, 0, height * 7 / 16, width, height * 9 / 16, RGB(0, 0, 0));
}

void TestPicture::Fill(BYTE* rows, LONG left, LONG top, LONG right, LONG bottom,
                       COLORREF colour) const {
    left = std::max(0L, left);
    top = std::max(0L, top);
    right = std::min(width_, right);
    bottom = std::min(height_, bottom);
    if (left >= right || top >= bottom) return;
    BYTE pixel[3] = {GetBValue(colour), GetGValue(colour), GetRValue(colour)};
    // Bottom-up rows: picture row y lives at DIB row height - 1 - y.
    BYTE* first = rows + static_cast<size_t>(height_ - 1 - top) * stride_ + left * 3;
    for (LONG x = 0; x < right - left; ++x) std::memcpy(first + x * 3, pixel, 3);
    size_t span = static_cast<size_t>(right - left) * 3;
    for (LONG y = top + 1; y < bottom; ++y)
        std::memcpy(rows + static_cast<size_t>(height_ - 1 - y) * stride_ + left * 3, first, span);
}

void TestPicture::DrawNumber(BYTE* rows, UINT32 number) const {
    LONG scale = std::max(1L, height_ / 120);
    LONG digitWidth = 4 * scale;
    LONG boxWidth = kDigits * digitWidth + scale;
    LONG boxHeight = 7 * scale;
    LONG left = (width_ - boxWidth) / 2;
    LONG top = height_ / 32;
    Fill(rows, left, top, left + boxWidth, top + boxHeight, RGB(0, 0, 0));
    for (int position = kDigits - 1; position >= 0; --position) {
        int digit = static_cast<int>(number % 10);
        number /= 10;
        LONG digitLeft = left + scale + position * digitWidth;
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 3; ++column) {
                if (!(digitGlyphs[digit][row] & (4 >> column))) continue;
                LONG x = digitLeft + column * scale;
                LONG y = top + scale + row * scale;
                Fill(rows, x, y, x + scale, y + scale, RGB(255, 255, 255));
            }
        }
    }
}

void TestPicture::Draw(BYTE* rows, UINT32 frameNumber) const {
    std::memcpy(rows, background_.data(), background_.size());
    LONG markerWidth = std::max(1L, width_ / 16);
    LONG travel = width_ - markerWidth;
    LONG step = std::max(1L, width_ / 64);
    LONG cycle = travel / step + 1;
    LONG left = static_cast<LONG>(frameNumber % static_cast<UINT32>(cycle)) * step;
    Fill(rows, left, height_ * 7 / 16, left + markerWidth, height_ * 9 / 16, RGB(128, 128, 128));
    DrawNumber(rows, frameNumber);
}
