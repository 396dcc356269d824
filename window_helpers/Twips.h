#pragma once
// The window code keeps sizes in twips, as the design gives them; the toolkit
// measures logical pixels. Every window places its controls and names them
// through these. The object name is for the code and its tests only: what a
// screen reader announces comes from captions and labels (Accessibility.h).

#include <QGuiApplication>
#include <QObject>
#include <QRect>
#include <QScreen>
#include <QString>
#include <cmath>

namespace velmora {

// A twip is 1/1440 inch. At the screen's usual 96 logical dots an inch a
// pixel is 15 twips; a larger font setting raises the logical dots (Xft.dpi,
// QT_FONT_DPI with scaling off), and every window grows with its text in the
// design's proportions. Scaling by the device pixel ratio leaves it at 96.
inline float TwipsPerPixel() {
    const QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 0;
    return float(1440 / (dpi > 0 ? dpi : 96));
}

inline int Px(float twips) { return int(std::lround(twips / TwipsPerPixel())); }
inline float Twips(int pixels) { return float(pixels) * TwipsPerPixel(); }

inline QRect Place(float left, float top, float width, float height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

template <typename Object>
Object* Named(Object* object, const QString& name) {
    object->setObjectName(name);
    return object;
}

}  // namespace velmora
