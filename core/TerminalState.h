#pragma once

#include "core/DataMode.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// The variables of one program run, owned by the main window. Values not set
// by the startup sequence start at zero, false or empty; times are
// milliseconds. The serial port handle and its settings live in the port
// layer, the read and send statistics and the framing clock in their own units,
// the position in a command file and the period clock in the send sequencer.
struct TerminalState {
    bool PortOpen = false;
    bool ScanSilent = false;

    quint32 TxTotal = 0;
    quint32 RxTotal = 0;

    std::array<char, 2048> RxBuf{};
    quint32 RxLen = 0;
    qint32 PacketGap = 0;

    bool FileSendMode = false;

    bool SendBusy = false;
    bool RxBusy = false;

    bool LogRecording = false;
    bool LogFileOpen = false;
    QString LogFileName;

    // The data mode the tail string was last set for: a click on the mode
    // already chosen leaves the tail alone.
    DataMode TailMode = DataMode::Ascii;

    qint32 FontSize = 8;
    qint32 CurrentList = 1;
    QByteArray SelectedCommand;
};
