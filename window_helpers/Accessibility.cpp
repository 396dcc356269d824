#include "window_helpers/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QWidget>

namespace velmora {

namespace {

// Asked for each class of an object, from its own up to QObject: a window
// that is no more than a QWidget would otherwise be a filler.
QAccessibleInterface* WindowRole(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget") || !object || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (!widget->isWindow()) return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

}  // namespace

QString SpokenCaption(const QString& caption) {
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;  // "&&" reads as one "&"
        spoken += caption[i];
    }
    spoken = spoken.trimmed();
    if (spoken.endsWith(u':')) spoken.chop(1);
    return spoken.trimmed();
}

void TieLabel(QLabel& label, QWidget& field) {
    label.setBuddy(&field);
    field.setAccessibleName(SpokenCaption(label.text()));
}

void UseWindowRole() { QAccessible::installFactory(&WindowRole); }

}  // namespace velmora
