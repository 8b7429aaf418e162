#include "core/FixedTexts.h"
#include "core/platform/BlockedWrite.h"
#include "core/platform/FileDescriptor.h"
#include "core/platform/TerminationSignals.h"
#include "run/CommandSource.h"
#include "run/PortChoice.h"
#include "run/RunOptions.h"
#include "run/RunTexts.h"
#include "run/Runner.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

int usageError(const QString &error) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", qPrintable(run::kRunProgram), error.toLocal8Bit().constData(),
                 qPrintable(run::kRunProgram));
    return run::kBadUsage;
}

int listPorts() {
    const run::PortList ports = run::currentPorts(core::PortDirectory());
    for (const QString &problem : ports.problems)
        std::fprintf(stderr, "%s: %s\n", qPrintable(run::kRunProgram), problem.toLocal8Bit().constData());
    for (const core::PortEntry &port : ports.entries)
        std::printf("%s\n", run::listLine(port).toLocal8Bit().constData());
    return 0;
}

} // namespace

// terminalkvr-run: the terminal for scripts. No window system is touched.
int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    // A closed output is an outcome of the run, not the end of the program.
    core::ignoreBrokenPipe();
    QCoreApplication::setApplicationName(core::kProgramName);
    QCoreApplication::setApplicationVersion(core::kProgramVersion);

    const run::ParsedOptions parsed = run::parseRunOptions(QCoreApplication::arguments());
    if (!parsed.ok())
        return usageError(parsed.error);
    const run::RunOptions &options = parsed.options;
    switch (options.action) {
    case run::RunOptions::Action::Help:
        std::printf("%s", run::runHelpText().toLocal8Bit().constData());
        return 0;
    case run::RunOptions::Action::Version:
        std::printf("%s %s\n", qPrintable(core::kProgramName), qPrintable(core::kProgramVersion));
        return 0;
    case run::RunOptions::Action::ListPorts:
        return listPorts();
    case run::RunOptions::Action::Run:
        break;
    }

    const run::Commands commands = run::loadCommands(options, core::kStandardInput);
    // Input that cannot be used is no usage error: no hint at --help.
    if (!commands.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(run::kRunProgram), commands.error.toLocal8Bit().constData());
        return run::kBadUsage;
    }
    const core::PortEntry port =
        run::choosePort(options.port, [] { return run::currentPorts(core::PortDirectory()).entries; });

    run::Runner runner(options, commands, port, core::kStandardOutput);
    QObject::connect(&runner, &run::Runner::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    core::TerminationSignals termination;
    runner.setWakeDescriptor(termination.wakeDescriptor());
    QObject::connect(&termination, &core::TerminationSignals::received, &runner,
                     [&runner](int number) { runner.stop(number); });
    if (!runner.start())
        return run::kBadUsage;
    return app.exec();
}
