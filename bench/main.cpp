#include "Benches.h"
#include "IdleBench.h"
#include "MacroBench.h"
#include "SendModesBench.h"
#include "ui/dialogs/ModalSeam.h"

#include <QDialog>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Runs the benchmarks against the real windows. Usage:
//   terminal_bench [startup|idle [seconds]|send|framing|throughput|units|macros|period|chain|net|sendcost [period
//   s]|plot|all] terminal_bench compare|flood [megabytes [rounds]]   (not part of all; flood is the terminal's side of
//   compare alone) terminal_bench run [megabytes [rounds [trips]]]   terminalkvr-run beside them (not part of all)
//   terminal_bench roundtrip [trips]   terminalkvr-run's round trip beside pyserial's (not part of all)
//   terminal_bench looks [folder]   (not part of all)
//   terminal_bench share [megabytes]   a script on the shared port (not part of all)
//   terminal_bench peers [flood=MB] [steady=s] [idle=s] [period=s] [programs=a,b] [quick]   (not part of all;
//   under Xvfb with a window manager: bench/peers.sh)
int main(int argc, char **argv) {
    QApplication app(argc, argv);
    // A window that would open modally (a failed connect, say) is reported and
    // closed at once instead of waiting for a user.
    ui::modal::setObserver([](QDialog &window, const QString &text) {
        std::fprintf(stderr, "notice: %s\n", qPrintable(text));
        window.done(0);
    });
    const char *which = argc > 1 ? argv[1] : "all";
    // The startup child reads the data files of the folder it was started
    // in: the macro benchmark starts it on a full store and on an empty one.
    if (std::strcmp(which, "startup-child") == 0)
        return startupChild();
    if (std::strcmp(which, "peer-child") == 0)
        return peerChild(argc, argv);
    // The windows create their data files in the working directory.
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    const bool all = std::strcmp(which, "all") == 0;
    if (all || std::strcmp(which, "startup") == 0)
        runStartupBench(QCoreApplication::applicationFilePath().toLocal8Bit().constData());
    if (all || std::strcmp(which, "idle") == 0)
        runIdleCpuBench(argc > 2 ? std::atoi(argv[2]) : 30);
    if (all || std::strcmp(which, "send") == 0)
        runSendLatencyBench();
    if (all || std::strcmp(which, "framing") == 0)
        runFramingBench();
    if (all || std::strcmp(which, "throughput") == 0)
        runThroughputBench();
    if (all || std::strcmp(which, "units") == 0)
        runUnitsBench();
    if (std::strcmp(which, "compare") == 0 || std::strcmp(which, "flood") == 0)
        runCompareBench(argc > 2 ? std::atoi(argv[2]) : 20, argc > 3 ? std::atoi(argv[3]) : 1,
                        std::strcmp(which, "flood") == 0);
    if (std::strcmp(which, "run") == 0)
        runRunnerBench(argc > 2 ? std::atoi(argv[2]) : 20, argc > 3 ? std::atoi(argv[3]) : 1,
                       argc > 4 ? std::atoi(argv[4]) : 200);
    if (std::strcmp(which, "share") == 0)
        runShareBench(argc > 2 ? std::atoi(argv[2]) : 20);
    if (std::strcmp(which, "roundtrip") == 0)
        runRoundTripBench(argc > 2 ? std::atoi(argv[2]) : 500);
    if (std::strcmp(which, "peers") == 0) {
        QStringList arguments;
        for (int i = 2; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        runPeersBench(arguments, QCoreApplication::applicationFilePath(), QStringLiteral(MODEM_LINES_SHIM));
    }
    if (std::strcmp(which, "looks") == 0)
        runLooksBench(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/tmp/log-looks"));
    if (all || std::strcmp(which, "macros") == 0)
        runMacroBench(QCoreApplication::applicationFilePath().toLocal8Bit().constData());
    if (all || std::strcmp(which, "period") == 0)
        runPeriodBench();
    if (all || std::strcmp(which, "chain") == 0)
        runAfterAnswerBench();
    if (all || std::strcmp(which, "net") == 0)
        runNetBench();
    if (all || std::strcmp(which, "plot") == 0)
        runPlotBench();
    if (std::strcmp(which, "sendcost") == 0 && argc > 3) {
        runSendCostBench(std::atoi(argv[2]), std::atoi(argv[3]));
    } else if (all || std::strcmp(which, "sendcost") == 0) {
        runSendCostBench();
        runSendCostBenchOnX(QCoreApplication::applicationFilePath().toLocal8Bit().constData());
    }
    return 0;
}
