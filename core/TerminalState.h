#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace core {

// The variables of one program run as their owners hold them at one moment:
// the main window gathers them for anyone who watches the run from outside
// (tests, benchmarks). Nothing is kept here; times are milliseconds.
struct TerminalState {
    bool PortOpen = false;

    quint32 TxTotal = 0;
    quint32 RxTotal = 0;

    quint32 RxLen = 0;
    qint32 PacketGap = 0;

    bool FileSendMode = false;

    bool SendBusy = false;
    bool RxBusy = false;

    bool LogRecording = false;
    bool LogFileOpen = false;
    QString LogFileName;

    qint32 FontSize = 8;
    qint32 CurrentList = 1;
    QByteArray SelectedCommand;
};

} // namespace core
