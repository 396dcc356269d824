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

QIcon SharedIcon(const char* name) {
    InitSharedPictures();
    return TwoScaleIcon(QStringLiteral(":/shared"), name);
}

}  // namespace velmora
