#include "core/FixedTexts.h"
#include "ui/window/WindowSet.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

// --help and --version answer before the window system is reached, so they
// work without a display too.
void answerOptions(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    const QCommandLineOption help = options.addHelpOption();
    const QCommandLineOption version = options.addVersionOption();
    // Qt's own options, such as -platform, are left to QApplication.
    options.parse(QCoreApplication::arguments());
    if (options.isSet(help))
        options.showHelp();
    if (options.isSet(version))
        options.showVersion();
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication::setApplicationName(kProgramName);
    QCoreApplication::setApplicationVersion(kProgramVersion);
    answerOptions(argc, argv);
    QApplication app(argc, argv);
    WindowSet windows{PortDirectory()};
    showCentred(*windows.Form1);
    return app.exec();
}
