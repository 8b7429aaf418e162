#pragma once

#include "tx/SendModes.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <utility>

namespace session {

class PortChannel;
class Transmitter;

// The send modes at work: the sequencing of tx::SendSequencer with the
// period timer, the after-answer chain, the command file's lines and the
// send on connect, carried out through the transmitter. The period timer
// sleeps until the next send can be due and is rescheduled whenever what it
// depends on changes (the mode, the period, the command line, the channel).
class SendModeDriver : public QObject {
    Q_OBJECT
public:
    SendModeDriver(PortChannel &channel, Transmitter &transmitter, QObject *parent = nullptr);

    // The period is measured on this clock (ms, monotonic); the default is
    // the system's steady clock. Set before sending starts.
    void setClock(tx::SendSequencer::Clock clock) { m_sequencer = tx::SendSequencer(std::move(clock)); }

    void setSendMode(tx::SendMode mode);
    tx::SendMode sendMode() const { return m_sendMode; }
    void setPeriodText(const QString &text);
    void setCyclic(bool on) { m_cyclic = on; }
    void setSendOnConnect(bool on) { m_sendOnConnect = on; }
    void loadCommandLines(const QList<QByteArray> &lines);
    void closeCommandFile();
    bool fileSendMode() const { return m_fileSendMode; }
    quint32 fileLineIndex() const { return m_sequencer.fileLineIndex(); }
    const QList<QByteArray> &fileLines() const { return m_fileLines; }

    void StartSendCommands();
    // The period timer's tick (its own timer calls it).
    void TimerPeriodTimer();
    // Housekeeping's beat: cyclic periodic sending keeps its timer on.
    void rearmCyclicPeriod();
    // A finished packet (complete: nothing waits behind it).
    void afterAnswer(bool complete);
    // Connected by the user, or reconnected and settled.
    void sendOnConnect();
    // Something the period timer depends on changed.
    void reschedule();

signals:
    void notice(const QString &text);

private:
    tx::SendInputs sendInputs() const;
    void carryOut(const tx::SendStep &step);
    void CheckSendDataAftConnect();

    PortChannel &m_channel;
    Transmitter &m_transmitter;
    tx::SendSequencer m_sequencer;
    QTimer m_timerPeriod;
    tx::SendMode m_sendMode = tx::SendMode::Manual;
    QString m_periodText;
    bool m_cyclic = false;
    bool m_sendOnConnect = false;
    bool m_fileSendMode = false;
    QList<QByteArray> m_fileLines;
};

} // namespace session
