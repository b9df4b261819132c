#pragma once
// Window positions and sizes are kept in twips: 1/1440 inch, 15 twips to a pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(long twips) { return static_cast<int>(twips / kTwipsPerPixel); }
constexpr long PixelsToTwips(int pixels) { return static_cast<long>(pixels) * kTwipsPerPixel; }
