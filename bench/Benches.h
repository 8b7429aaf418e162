#pragma once

// Time from the Enter key in the command line to the last byte of a 20-byte
// command readable at the device, over 1000 sends through the real window;
// prints the median and the 99th percentile.
void runSendLatencyBench();
