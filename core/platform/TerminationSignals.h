#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <csignal>

class QSocketNotifier;

namespace core {

// Turns the signals that end a program from outside (SIGTERM at shutdown or
// logout, SIGHUP when its terminal goes, SIGINT for Ctrl+C) into a Qt signal
// delivered by the event loop, so that the program can end as its window's
// close does. The handler only writes the signal's number into a socket pair,
// which is safe inside a signal handler. It handles one signal of each kind:
// a second one (the event loop blocked, or the user insisting) ends the
// program as the system would. One object at a time; it restores the
// previous handlers when it goes.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    static constexpr std::array<int, 3> kSignals{SIGTERM, SIGHUP, SIGINT};

    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // False when the handlers could not be installed (errorString()).
    bool isActive() const { return m_notifier != nullptr; }
    QString errorString() const { return m_error; }
    // Readable from the moment a signal came until it is delivered: a wait
    // elsewhere (a blocked write) can watch it to give way.
    int wakeDescriptor() const { return m_pair[1]; }

signals:
    void received(int signalNumber);

private:
    void readPending();

    std::array<int, 2> m_pair{-1, -1};
    std::array<struct sigaction, kSignals.size()> m_previous{};
    QSocketNotifier *m_notifier = nullptr;
    QString m_error;
};

} // namespace core
