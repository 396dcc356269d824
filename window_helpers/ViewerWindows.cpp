#include "window_helpers/ViewerWindows.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeySequence>
#include <QWidget>

namespace velmora {

void AddCloseKeys(QWidget& window) {
    auto* close = new QAction(&window);
    close->setObjectName(QStringLiteral("actClose"));
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    close->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(close, &QAction::triggered, &window, &QWidget::close);
    window.addAction(close);
}

Qt::WindowFlags FixedSizeWindowFlags() {
    return Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
}

bool CompositorPlacesWindows(const QString& platformName) {
    return platformName.startsWith(QLatin1String("wayland"), Qt::CaseInsensitive);
}

void FixWindowSize(QWidget& window, QSize size, bool decidesState) {
    if (!decidesState) {
        window.setFixedSize(size);
        return;
    }
    window.setMinimumSize(size);
    window.resize(size);
}

void FixWindowSize(QWidget& window, QSize size) {
    FixWindowSize(window, size, CompositorPlacesWindows(QGuiApplication::platformName()));
}

WindowHandle OwnerHandle(QWidget& window) { return window.isVisible() ? WindowHandle(window.winId()) : 0; }

void BringForward(QWidget& window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace velmora
