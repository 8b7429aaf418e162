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
    QCoreApplication::setApplicationName(core::kProgramName);
    QCoreApplication::setApplicationVersion(core::kProgramVersion);
    answerOptions(argc, argv);
    QApplication app(argc, argv);
    ui::WindowSet windows{core::PortDirectory()};
    ui::showCentred(*windows.Form1);
    return app.exec();
}
