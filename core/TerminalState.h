#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <limits>

// The variables of one program run, owned by the main window. Values not set
// by the startup sequence start at zero, false or empty; times are
// milliseconds. The serial port handle and its settings live in the port layer.
struct TerminalState {
    static constexpr qint32 kNoMinWait = std::numeric_limits<qint32>::max();

    bool PortOpen = false;
    bool ScanSilent = false;

    qint32 SendCount = 0;
    qint32 ReadCount = 0;
    qint32 MinWait = kNoMinWait;
    qint32 MaxWait = 0;
    qint32 PrevReadTime = 0;
    qint32 LastReadTime = 0;

    quint32 TxTotal = 0;
    quint32 RxTotal = 0;

    std::array<char, 2048> RxBuf{};
    quint32 RxLen = 0;
    qint32 PacketGap = 0;
    qint32 LastRxTime = 0;

    qint32 LastPeriodTime = 0;
    bool FileSendMode = false;
    quint32 FileLineIndex = 0;
    bool AllSentNotice = false;

    bool SendBusy = false;
    bool RxBusy = false;

    bool LogRecording = false;
    bool LogFileOpen = false;
    QString LogFileName;

    qint32 FontSize = 8;
    qint32 CurrentList = 1;
    QByteArray SelectedCommand;
};
