#include "ui/WindowSet.h"

#include <QApplication>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TerminalKVR"));
    WindowSet windows{PortDirectory()};
    showCentred(*windows.Form1);
    return app.exec();
}
