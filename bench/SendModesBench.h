#pragma once

// Period mode with a 100 ms period, 201 sends of the command line: the
// intervals between packets as the device sees them (median, minimum,
// maximum, how many lie within period + 1 … period + 3 ms) and the window
// thread's CPU use meanwhile, and that of the same ticks when they send nothing.
void runPeriodBench();

// An after-answer chain against a device that answers every command at once:
// round trips per second over five seconds, and the window's CPU use.
void runAfterAnswerBench();
