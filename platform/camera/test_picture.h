// The devices' moving test picture. Everything a test checks sits at fixed places:
//  - eight full-height colour bars (white, yellow, cyan, green, magenta, red, blue, black),
//  - a red block in the top-left and a blue block in the bottom-right corner (each one
//    eighth of the width and of the height), so orientation and true colours show,
//  - a grey marker sliding along the middle band (rows 7/16 to 9/16 of the height),
//  - the frame number in white digits on a black box at the top centre.
// Pictures are drawn as bottom-up DIB rows (last picture row first), blue-green-red.
#ifndef ORVELLUX_CAMERA_TEST_PICTURE_H
#define ORVELLUX_CAMERA_TEST_PICTURE_H

#include <windows.h>

#include <vector>

class TestPicture {
public:
    void Prepare(LONG width, LONG height, LONG stride);
    void Draw(BYTE* rows, UINT32 frameNumber) const;
    LONG width() const { return width_; }
    LONG height() const { return height_; }

private:
    void Fill(BYTE* rows, LONG left, LONG top, LONG right, LONG bottom, COLORREF colour) const;
    void DrawNumber(BYTE* rows, UINT32 number) const;

    LONG width_ = 0;
    LONG height_ = 0;
    LONG stride_ = 0;
    std::vector<BYTE> background_;
};

// Colour of bar i (0..7) as red, green, blue.
COLORREF TestPictureBarColour(int bar);

#endif
