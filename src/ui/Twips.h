#pragma once

#include <QRect>

// Positions and sizes of the windows are kept in twips, as the layout tables
// give them; 15 twips make one pixel at 96 dots per inch.
constexpr int TwipsPerPixel = 15;

constexpr int Px(int twips)
{
    return twips / TwipsPerPixel;
}

inline QRect TwipsRect(int left, int top, int width, int height)
{
    return {Px(left), Px(top), Px(width), Px(height)};
}
