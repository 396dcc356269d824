#pragma once
// The windows' shared font rules: the design's 8-point font, and the rule
// that shrinks a label's font until its caption fits the room it is given.

#include <QFont>

class QLabel;
class QWidget;

namespace velmora {

inline constexpr int kDesignFontPoints = 8;

// The widget's font at the design's size, bold or not.
QFont DesignFont(const QWidget& widget, bool bold = false);
void UseDesignFont(QWidget& widget);

// A font larger than the design's (a higher font DPI, a user setting) is made
// smaller, half a point at a time down to 6 points, until the label's text
// fits roomPx, so that it never runs into the next control.
void FitLabelFont(QLabel& label, int roomPx);

}  // namespace velmora
