#pragma once

#include "core/LineSettings.h"
#include "core/port/TelnetFraming.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <optional>

namespace core {

// The client side of a Telnet connection to a serial port server (RFC 854
// framing, RFC 1143 option rules, RFC 2217 COM-PORT control): bytes from the
// network in, the device's bytes and the server's answers out; the device's
// bytes in, the bytes for the network out. No socket and no clock: the
// caller moves the bytes and decides how long to wait.
//
// A server that sends malformed or endless sequences costs bounded memory:
// sub-negotiations are cut at a fixed length and dropped, and each option is
// answered a bounded number of times.
class TelnetCodec {
public:
    // The COM-PORT commands the terminal sends; the server answers each with
    // the same code plus 100.
    using ComPortCommand = telnet::Command;

    struct Event {
        enum class Kind {
            ComPortEnabled, // the server agreed to COM-PORT control
            ComPortRefused, // it refused, or withdrew it
            Accepted,       // it set what was asked
            NotAccepted,    // it answered with another value (in `value`)
            ModemState,     // the far port's input lines changed (`lines`)
        };
        Kind kind;
        ComPortCommand command{};
        QByteArray value = {};
        InputLines lines = {};
        bool operator==(const Event &) const = default;
    };

    struct Received {
        QByteArray data;  // the device's bytes
        QByteArray reply; // negotiation answers to send back at once
        QList<Event> events;
    };

    // What the client announces right after connecting: binary transmission
    // both ways, no go-ahead, and (when asked) COM-PORT control.
    QByteArray start(bool comPort);

    // Takes bytes as they come from the network; a command may be split
    // across calls anywhere.
    Received receive(QByteArrayView bytes);

    // The device's bytes as they must travel: 0xFF doubled, and outside
    // binary mode a carriage return followed by NUL.
    QByteArray encodeData(QByteArrayView bytes) const;

    // A COM-PORT command; the server's answer to it becomes an Accepted or
    // NotAccepted event. Valid once ComPortEnabled was reported.
    QByteArray request(ComPortCommand command, const QByteArray &value);
    // Baud rate, data size, parity, stop size and flow control: the five
    // requests of one open. Empty when the settings cannot be framed.
    std::optional<QByteArray> requestLineSettings(const LineSettings &settings);
    // SET-CONTROL for an output line or the break.
    QByteArray requestOutput(ModemLine line, bool active);
    QByteArray requestBreak(bool on);
    // Asks the server to report CTS, DSR, RI and DCD as they change.
    QByteArray requestInputLineReports();
    // Requests still waiting for the server's answer.
    int pendingAnswers() const;

private:
    struct Option {
        bool us = false;      // we perform it
        bool usAsked = false; // we offered it and wait for the answer
        bool him = false;     // the server performs it
        bool himAsked = false;
        quint8 answers = 0; // answers sent for it so far
    };

    void onVerb(quint8 verb, quint8 option, Received &out);
    void answer(quint8 verb, quint8 option, Received &out);
    void onSubNegotiation(const QByteArray &sub, Received &out);
    static bool wantUs(quint8 option, bool comPort);
    static bool wantHim(quint8 option);

    std::array<Option, 256> m_options{};
    // The values asked for, per command, in the order sent: a server answers
    // in order, and several SET-CONTROL requests may wait at once.
    std::array<QList<QByteArray>, quint8(ComPortCommand::PurgeData) + 1> m_pending{};
    bool m_comPort = false;
    // The stream's framing, shared with the server side; what is the
    // client's own is how it answers.
    telnet::Reader m_reader;
};

} // namespace core
