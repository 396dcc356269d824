#include "window_helpers/DesignFont.h"

#include <QLabel>
#include <algorithm>

namespace velmora {

namespace {

constexpr double kSmallestLabelPoints = 6;

void SetPoints(QLabel& label, double points) {
    QFont font = label.font();
    font.setPointSizeF(points);
    label.setFont(font);
    label.adjustSize();
}

}  // namespace

qreal DesignPoints(qreal points) { return points * FontScale(); }

QFont DesignFont(const QWidget& widget, bool bold) {
    QFont font = widget.font();
    font.setPointSizeF(DesignPoints(kDesignFontPoints));
    font.setBold(bold);
    return font;
}

void UseDesignFont(QWidget& widget) { widget.setFont(DesignFont(widget)); }

void FitLabelFonts(std::initializer_list<FittedLabel> group) {
    double points = 0;
    for (const FittedLabel& fitted : group) {
        const double own = fitted.label->font().pointSizeF();
        points = points == 0 ? own : std::min(points, own);
    }
    // Each label shrinks the common size further until it fits.
    for (const auto& [label, room] : group) {
        SetPoints(*label, points);
        while (label->width() > room && points > kSmallestLabelPoints) SetPoints(*label, points -= 0.5);
    }
    for (const FittedLabel& fitted : group) SetPoints(*fitted.label, points);
}

}  // namespace velmora
