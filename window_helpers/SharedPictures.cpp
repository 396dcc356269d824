#include "window_helpers/SharedPictures.h"

#include <QString>

// Outside the namespace, as the resource initialiser must be.
static void InitSharedPictures() { Q_INIT_RESOURCE(shared); }

namespace velmora {

QIcon TwoScaleIcon(const QString& folder, const char* name) {
    QIcon icon;
    icon.addFile(QStringLiteral("%1/%2.png").arg(folder, QLatin1String(name)));
    icon.addFile(QStringLiteral("%1/%2@2x.png").arg(folder, QLatin1String(name)));
    return icon;
}

QPixmap ScreenPicture(const QString& folder, const char* name, qreal devicePixelRatio) {
    constexpr qreal kTwinFromRatio = 1.5;
    const QString single = QStringLiteral("%1/%2.png").arg(folder, QLatin1String(name));
    if (devicePixelRatio < kTwinFromRatio) return QPixmap(single);
    QPixmap twin(QStringLiteral("%1/%2@2x.png").arg(folder, QLatin1String(name)));
    if (twin.isNull()) return QPixmap(single);
    twin.setDevicePixelRatio(2);
    return twin;
}

QIcon SharedIcon(const char* name) {
    InitSharedPictures();
    return TwoScaleIcon(QStringLiteral(":/shared"), name);
}

}  // namespace velmora
