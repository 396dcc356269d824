#pragma once
// The window code keeps sizes in twips; the toolkit measures logical pixels.

#include <cmath>

namespace velmora {

inline constexpr float kTwipsPerPixel = 15;

inline int Px(float twips) { return int(std::lround(twips / kTwipsPerPixel)); }
inline float Twips(int pixels) { return float(pixels) * kTwipsPerPixel; }

}  // namespace velmora
