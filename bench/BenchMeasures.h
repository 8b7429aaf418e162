#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// CPU seconds used so far by the whole process.
double processCpuSeconds();

// CPU seconds used so far by the calling thread, the window's: device threads
// are not part of the terminal.
double windowCpuSeconds();

long peakMemoryMb();

// CLOCK_MONOTONIC in nanoseconds: comparable across processes.
qint64 monotonicNs();

// Milliseconds from starting the program (with the argument "startup-child")
// to its main window being shown, sorted, one per run; an empty folder means
// the current directory.
QList<double> startupTimesMs(const char *program, const QString &folder, int runs);
