#include "window_helpers/DesignFont.h"

#include <QLabel>

namespace velmora {

namespace {

constexpr double kSmallestLabelPoints = 6;

}  // namespace

QFont DesignFont(const QWidget& widget, bool bold) {
    QFont font = widget.font();
    font.setPointSize(kDesignFontPoints);
    font.setBold(bold);
    return font;
}

void UseDesignFont(QWidget& widget) { widget.setFont(DesignFont(widget)); }

void FitLabelFont(QLabel& label, int roomPx) {
    label.adjustSize();
    QFont font = label.font();
    while (label.width() > roomPx && font.pointSizeF() > kSmallestLabelPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        label.setFont(font);
        label.adjustSize();
    }
}

}  // namespace velmora
