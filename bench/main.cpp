#include "IdleBench.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Runs the benchmarks against the real windows. Usage:
//   terminal_bench [idle|startup|all]
int main(int argc, char **argv) {
    QApplication app(argc, argv);
    // The windows create their data files in the working directory.
    QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    const char *which = argc > 1 ? argv[1] : "all";
    if (std::strcmp(which, "startup-child") == 0)
        return startupChild();
    const bool all = std::strcmp(which, "all") == 0;
    if (all || std::strcmp(which, "startup") == 0)
        runStartupBench(QCoreApplication::applicationFilePath().toLocal8Bit().constData());
    if (all || std::strcmp(which, "idle") == 0)
        runIdleCpuBench(argc > 2 ? std::atoi(argv[2]) : 30);
    return 0;
}
