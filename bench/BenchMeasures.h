#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>

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

// A plain event loop for the given time: QTest::qWait would wake up every
// 10 ms itself and add wake-ups to what is measured.
void runEventLoopFor(int ms);

// Runs the event loop until `done` holds (looked at every 5 ms) or the time
// is up; returns whether it held.
bool runUntil(const std::function<bool()> &done, int timeoutMs);

// Writes rows of printable text ending in CR to the descriptor (a device's
// end of the line) as fast as it takes them, until total bytes went or
// giveUp is set.
void floodDevice(int fd, qint64 total, const std::atomic<bool> &giveUp);
