#pragma once
// The window code keeps sizes in twips, as the design gives them; the toolkit
// measures logical pixels. Every window places its controls and names them
// through these. The object name is for the code and its tests only: what a
// screen reader announces comes from captions and labels (Accessibility.h).

#include <QFont>
#include <QGuiApplication>
#include <QObject>
#include <QRect>
#include <QScreen>
#include <QString>
#include <algorithm>
#include <cmath>

namespace velmora {

inline constexpr int kDesignFontPoints = 8;

inline qreal LogicalDotsPerInch() {
    const QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 0;
    return dpi > 0 ? dpi : 96;
}

// The application font (the desktop's font setting) against the design's
// 8 points, never below 1: the design's text takes that font's size, and the
// windows grow with it.
inline float FontScale() {
    if (!qGuiApp) return 1;
    const QFont font = QGuiApplication::font();
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72 / LogicalDotsPerInch();
    return std::max(1.f, float(points / kDesignFontPoints));
}

// A twip is 1/1440 inch. At the screen's usual 96 logical dots an inch a
// pixel is 15 twips; a larger font setting raises the logical dots (Xft.dpi,
// QT_FONT_DPI with scaling off) or the font's points, and every window grows
// with its text in the design's proportions. Scaling by the device pixel
// ratio leaves it at 96.
inline float TwipsPerPixel() { return float(1440 / (LogicalDotsPerInch() * FontScale())); }

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
