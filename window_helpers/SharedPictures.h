#pragma once
// Pictures that more than one window shows: the ARP table's picture is the
// main window's toolbar button and the ARP window's icon.

#include <QIcon>
#include <QPixmap>

namespace velmora {

// The picture of that name (":/shared/NAME.png"), loaded with the resources it lives in.
QIcon SharedIcon(const char* name);

// The picture NAME.png of a resource folder with its twin NAME@2x.png for
// screens scaled by two or more, whatever the scale the program started with.
QIcon TwoScaleIcon(const QString& folder, const char* name);

// For a label: NAME.png, or on a screen scaled by 1.5 or more its twin
// NAME@2x.png, which then takes the same room at twice the detail.
QPixmap ScreenPicture(const QString& folder, const char* name, qreal devicePixelRatio);

}  // namespace velmora
