#include "window_helpers/SharedPictures.h"

#include <QString>

// Outside the namespace, as the resource initialiser must be.
static void InitSharedPictures() { Q_INIT_RESOURCE(shared); }

namespace velmora {

QIcon SharedIcon(const char* name) {
    InitSharedPictures();
    return QIcon(QStringLiteral(":/shared/%1.png").arg(QLatin1String(name)));
}

}  // namespace velmora
