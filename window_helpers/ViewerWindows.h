#pragma once
// What the windows beside the main one share on the desktop: the keys that
// close them, the flags of a window whose size is fixed, and bringing one
// forward when it is asked for again.

#include <QSize>
#include <QString>
#include <Qt>

#include "platform/ShellServices.h"

class QWidget;

namespace velmora {

// Escape and Ctrl+W close the window, wherever its focus is.
void AddCloseKeys(QWidget& window);

// Title, system menu, minimise and close; no maximise, which a window of a
// fixed size cannot honour.
Qt::WindowFlags FixedSizeWindowFlags();

// True under Wayland, where the compositor keeps each window's position to
// itself and decides its state.
bool CompositorPlacesWindows(const QString& platformName);

// Keeps the window at the size. Under Wayland the decorations Qt draws for
// the window still offer to maximise it, and the compositor ends the
// program's connection when a maximised window does not fill the size it
// gives: so where the compositor decides the window's state (decidesState)
// the size is the window's least, and a maximised window keeps its controls
// where they were.
void FixWindowSize(QWidget& window, QSize size, bool decidesState);
// As above, for the platform the program runs on.
void FixWindowSize(QWidget& window, QSize size);

// Shows the window, restored if it was minimised, raised and active.
void BringForward(QWidget& window);

// The window as the owner of the boxes its action raises: 0 (the main
// window) while it is not shown yet.
WindowHandle OwnerHandle(QWidget& window);

}  // namespace velmora
