#include "MacroBench.h"

#include "BenchMeasures.h"
#include "macros/MacroStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

// Every text of every list at its full capacity.
void fillStore(macros::MacroStore &store) {
    using Field = macros::MacroStore::Field;
    for (int n = 1; n <= macros::MacroStore::kLists; ++n) {
        store.store(Field::ListName, QString(151, QChar(u'Л')), n);
        for (int k = 1; k <= macros::MacroStore::kMacros; ++k) {
            store.store(Field::Command, QString(251, 'c'), n, k);
            store.store(Field::Name, QString(51, QChar(u'И')), n, k);
            for (int j = 1; j <= macros::MacroStore::kDescriptionLines; ++j)
                store.store(Field::Description, QString(151, 'd'), n, k, j);
        }
    }
}

} // namespace

void runMacroBench(const char *program) {
    constexpr int kRuns = 9;
    QTemporaryDir emptyDir;
    QTemporaryDir fullDir;
    macros::MacroStore empty;
    empty.LoadCmdConfig(QDir(emptyDir.path()).filePath(macros::MacroStore::kFileName));
    macros::MacroStore full;
    full.LoadCmdConfig(QDir(fullDir.path()).filePath(macros::MacroStore::kFileName));
    fillStore(full);
    full.save(QDir(fullDir.path()).filePath(macros::MacroStore::kFileName));

    // Alternate so that a slow moment of the machine hits both alike.
    QList<double> emptyTimes, fullTimes;
    for (int round = 0; round < 3; ++round) {
        emptyTimes.append(startupTimesMs(program, emptyDir.path(), kRuns)[kRuns / 2]);
        fullTimes.append(startupTimesMs(program, fullDir.path(), kRuns)[kRuns / 2]);
    }
    std::sort(emptyTimes.begin(), emptyTimes.end());
    std::sort(fullTimes.begin(), fullTimes.end());
    std::printf("macros: startup with an empty store: median %.1f ms; with every slot filled: %.1f ms "
                "(difference %.1f ms; target at most 30 ms)\n",
                emptyTimes[1], fullTimes[1], fullTimes[1] - emptyTimes[1]);

    // The store's own part of startup: reading and checking the full file.
    QList<double> loads;
    for (int run = 0; run < 10; ++run) {
        macros::MacroStore store;
        QElapsedTimer timer;
        timer.start();
        store.LoadCmdConfig(QDir(fullDir.path()).filePath(macros::MacroStore::kFileName));
        loads.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(loads.begin(), loads.end());
    std::printf("macros: loading and checking the full store in process: median %.1f ms, max %.1f ms\n",
                loads[loads.size() / 2], loads.last());

    // Saves go to the disk the program lives on, not to a memory file system.
    QTemporaryDir saveDir(QCoreApplication::applicationDirPath() + QStringLiteral("/macro-save-XXXXXX"));
    const QString path = QDir(saveDir.path()).filePath(macros::MacroStore::kFileName);
    QList<double> saves;
    for (int run = 0; run < 10; ++run) {
        full.store(macros::MacroStore::Field::Name, QString::number(run), 1, 1);
        QElapsedTimer timer;
        timer.start();
        if (!full.save(path)) {
            std::printf("macros: save failed: %s\n", qPrintable(full.errorString()));
            return;
        }
        saves.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(saves.begin(), saves.end());
    std::printf("macros: one save of the whole store with its flush to disk: median %.1f ms, max %.1f ms "
                "(target at most 150 ms)\n",
                saves[saves.size() / 2], saves.last());
}
