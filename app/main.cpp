#include <QApplication>
#include <QMainWindow>

#include "platform/QtUiServices.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    velmora::QtUiServices ui;
    QMainWindow window;
    window.setWindowTitle(velmora::kAppName);
    ui.SetOwnerWindow(&window);
    window.show();
    return app.exec();
}
