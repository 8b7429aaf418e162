#pragma once

#include <QtGlobal>

// CPU seconds used so far by the whole process.
double processCpuSeconds();

// CPU seconds used so far by the calling thread, the window's: device threads
// are not part of the terminal.
double windowCpuSeconds();

long peakMemoryMb();

// CLOCK_MONOTONIC in nanoseconds: comparable across processes.
qint64 monotonicNs();
