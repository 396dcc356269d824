#pragma once
// The windows' shared font rules: the design's 8-point font, and the rule
// that shrinks a group's labels until each caption fits the room it is given.

#include <QFont>
#include <initializer_list>

#include "window_helpers/Twips.h"

class QLabel;
class QWidget;

namespace velmora {

// The widget's font at the design's size (grown with a larger application
// font, Twips.h), bold or not.
QFont DesignFont(const QWidget& widget, bool bold = false);
void UseDesignFont(QWidget& widget);
// A size the design gives in points, grown as the design's font is.
qreal DesignPoints(qreal points);

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
