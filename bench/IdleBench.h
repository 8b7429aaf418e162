#pragma once

// CPU time used by the window with a connected, silent device, over the
// given number of seconds.
void runIdleCpuBench(int seconds);

// Time from process start to the main window shown (starts this program
// again as a child).
void runStartupBench(const char *program);
// The child side of the startup measurement.
int startupChild();
