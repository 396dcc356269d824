#include "window_helpers/SharedPictures.h"

#include <QString>

// Outside the namespace, as the resource initialiser must be.
static void InitSharedPictures() { Q_INIT_RESOURCE(shared); }

namespace velmora {

namespace {

// NAME.png, or its twin for twice the scale, NAME@2x.png.
QString PicturePath(const QString& folder, const char* name, bool twin) {
    return QStringLiteral("%1/%2%3.png").arg(folder, QLatin1String(name), twin ? QStringLiteral("@2x") : QString());
}

}  // namespace

QIcon TwoScaleIcon(const QString& folder, const char* name) {
    QIcon icon;
    icon.addFile(PicturePath(folder, name, false));
    icon.addFile(PicturePath(folder, name, true));
    return icon;
}

QPixmap ScreenPicture(const QString& folder, const char* name, qreal devicePixelRatio) {
    constexpr qreal kTwinFromRatio = 1.5;
    const QString single = PicturePath(folder, name, false);
    if (devicePixelRatio < kTwinFromRatio) return QPixmap(single);
    QPixmap twin(PicturePath(folder, name, true));
    if (twin.isNull()) return QPixmap(single);
    twin.setDevicePixelRatio(2);
    return twin;
}

QIcon SharedIcon(const char* name) {
    InitSharedPictures();
    return TwoScaleIcon(QStringLiteral(":/shared"), name);
}

}  // namespace velmora
