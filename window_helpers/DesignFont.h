#pragma once
// The windows' shared font rules: the design's 8-point font, and the rule
// that shrinks a group's labels until each caption fits the room it is given.

#include <QFont>
#include <initializer_list>

class QLabel;
class QWidget;

namespace velmora {

inline constexpr int kDesignFontPoints = 8;

// The widget's font at the design's size, bold or not.
QFont DesignFont(const QWidget& widget, bool bold = false);
void UseDesignFont(QWidget& widget);

struct FittedLabel {
    QLabel* label;
    int roomPx;
};

// A font larger than the design's (a higher font DPI, a user setting) is made
// smaller, half a point at a time down to 6 points, until every label's text
// fits its room, so that none runs into the next control. The labels of a
// group keep one size: the largest at which all of them fit.
void FitLabelFonts(std::initializer_list<FittedLabel> group);

}  // namespace velmora
