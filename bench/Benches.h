#pragma once

#include <QString>
#include <QStringList>

// Time from the Enter key in the command line to the last byte of a 20-byte
// command readable at the device, over 1000 sends through the real window;
// prints the median and the 99th percentile.
void runSendLatencyBench();

// Packets of 43 bytes paced like a 19200-baud line, 1000 of them, framed once
// with a 10 ms gap between 20 ms silences and once with gap 0 between 5 ms
// silences; prints how many log lines came out and how many were whole.
void runFramingBench();

// A 50 MB flood of printable text in ASCII mode with the log file recording:
// prints MB/s until every byte is counted and on the disk, CPU seconds per MB
// and the peak memory.
void runThroughputBench();

// The terminal and picocom, one after the other, on the same flood of
// 76-character lines ending in CR LF, both recording a log file (picocom shown
// in tmux): prints MB/s and CPU seconds per MB of each, the terminal's peak
// memory and how fast it answered clicks meanwhile, and the ratios. Needs
// picocom and tmux; the terminal's window is shown on whatever platform Qt
// runs on (xvfb-run for a real X server). terminalOnly leaves picocom out (for
// profiling the terminal).
void runCompareBench(int megabytes, int rounds, bool terminalOnly);

// The pure steps of the receive path (rendering, windows-1251 conversion,
// display text) timed alone, in ms per MB.
void runUnitsBench();

// Through ser2net on the loopback (RFC 2217 and raw TCP) beside a local
// pseudo-terminal: the time from a click on Connect to lime (median and
// slowest of 20), and a 20 MB flood's MB/s and window CPU seconds per MB.
// Needs ser2net and socat.
void runNetBench();

// Periodic sending of a short command at P = 0, 10, 100 and 1000 ms with the
// window shown: the process's CPU and the cost per send, ticks that send
// nothing, the clicks' answer time while the device reads nothing, and bytes
// lost while the device streams. runSendCostBenchOnX runs the same again
// under Xvfb when the current platform is not X and xvfb-run is there. With
// a period given, only that period runs, for the given seconds (profiling).
void runSendCostBench(int onlyPeriodMs = -1, int seconds = 0);
void runSendCostBenchOnX(const char *program);

// The log beside a plain text view set up as the log used to be, in the real
// window: screen shots at three widths, two font sizes and two colour
// schemes, saved in the folder and compared pixel by pixel with ImageMagick.
void runLooksBench(const QString &folder);

// A device printing 1000 lines a second of four named values: the process's
// CPU with the plot window closed and open (target: under 10 % of a core).
void runPlotBench();

// terminalkvr-run beside picocom and the window on the same flood (MB/s, CPU
// seconds per MB, peak memory, every byte in its output and --log file),
// then its after-answer round trip: the median over `trips` commands of the
// time from a reply at the device to the next command there.
void runRunnerBench(int megabytes, int rounds, int trips);

// A script on the window's shared port at full speed: MB/s from the device to
// the client and from the client to the device, over TCP and the Unix socket,
// with the log recording.
void runShareBench(int megabytes);

// terminalkvr-run's after-answer chain beside a minimal pyserial script on
// the same kind of device, in the same run: the median time from a reply at
// the device to the next command there, and their ratio (goal: at most 2).
void runRoundTripBench(int trips);
// The terminal beside GtkTerm and CuteCom, each a process of its own on the
// current X server (with a window manager), one at a time, each with its own
// pseudo-terminal: periodic sending (the terminal only), idle and peak memory,
// a steady 1000 lines a second, idle CPU, and a key typed during a flood until
// it reaches the device. Every figure is printed beside its goal and the
// peers'. Arguments key=value: flood=MB steady=s idle=s period=s
// programs=terminal,gtkterm,cutecom, or quick. `self` is this benchmark (its
// "peer-child" runs the terminal), `shim` the modem-line shim for GtkTerm.
void runPeersBench(const QStringList &arguments, const QString &self, const QString &shim);
// The terminal's side: peer-child SLAVE manual|periodMS.
int peerChild(int argc, char **argv);
