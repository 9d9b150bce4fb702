#pragma once
// The windows' places are kept in twips, as they were laid out: 15 twips make one pixel.
#include <QRect>

namespace Twips {

constexpr int kPerPixel = 15;

constexpr int px(int twips)
{
    return twips / kPerPixel;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

} // namespace Twips
