#pragma once
// What the windows beside the main one share on the desktop: the keys that
// close them, the flags of a window whose size is fixed, and bringing one
// forward when it is asked for again.

#include <Qt>

#include "platform/ShellServices.h"

class QWidget;

namespace velmora {

// Escape and Ctrl+W close the window, wherever its focus is.
void AddCloseKeys(QWidget& window);

// Title, system menu, minimise and close; no maximise, which a window of a
// fixed size cannot honour.
Qt::WindowFlags FixedSizeWindowFlags();

// Shows the window, restored if it was minimised, raised and active.
void BringForward(QWidget& window);

// The window as the owner of the boxes its action raises: 0 (the main
// window) while it is not shown yet.
WindowHandle OwnerHandle(QWidget& window);

}  // namespace velmora
