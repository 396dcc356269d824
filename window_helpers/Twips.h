#pragma once
// The window code keeps sizes in twips, as the design gives them; the toolkit
// measures logical pixels. Every window places its controls and names them
// (object and accessible name alike, so tests and screen readers find them)
// through these.

#include <QRect>
#include <QString>
#include <QWidget>
#include <cmath>
#include <type_traits>

namespace velmora {

inline constexpr float kTwipsPerPixel = 15;

inline int Px(float twips) { return int(std::lround(twips / kTwipsPerPixel)); }
inline float Twips(int pixels) { return float(pixels) * kTwipsPerPixel; }

inline QRect Place(float left, float top, float width, float height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

template <typename Object>
Object* Named(Object* object, const QString& name) {
    object->setObjectName(name);
    if constexpr (std::is_base_of_v<QWidget, Object>) object->setAccessibleName(name);
    return object;
}

}  // namespace velmora
