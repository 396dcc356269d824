#pragma once
// The window code keeps sizes in twips, as the design gives them; the toolkit
// measures logical pixels. Every window places its controls and names them
// through these. The object name is for the code and its tests only: what a
// screen reader announces comes from captions and labels (Accessibility.h).

#include <QRect>
#include <QString>
#include <QObject>
#include <cmath>

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
    return object;
}

}  // namespace velmora
