#pragma once

#include "core/port/TelnetFraming.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>

namespace core {

// The server side of one client of a shared port: RFC 2217 (Telnet
// COM-PORT-OPTION) for a client that negotiates it, raw bytes for one that
// does not. Bytes from the client in, the bytes for the device, the answers
// and the requests out; the device's bytes in, the bytes for the client out.
// No socket: the caller moves the bytes.
//
// Raw or Telnet: the client's first byte decides, once. IAC (0xFF) first
// means Telnet for the whole connection (RFC 2217 clients open with option
// verbs); anything else means raw for the whole connection, so that a
// client sending binary data is never misread when 0xFF comes later. Until
// the client sends anything its output is raw.
//
// Line requests act only when the caller allows them. Otherwise (the
// default) each is answered at once with the line's settings unchanged and
// reported as refused; when allowed it is handed out, and the caller answers
// it once it has acted (answer()). A client that sends malformed or endless
// sequences costs bounded memory and bounded answers.
class ComPortServer {
public:
    using Command = telnet::Command;
    using Control = telnet::Control;

    // The line as the answers report it, in COM-PORT values.
    struct Line {
        quint32 baudRate = 0;
        quint8 dataSize = 8;
        quint8 parity = 1; // none
        quint8 stopSize = telnet::kStopOne;
        Control flow = Control::NoFlow;
        bool breakOn = false;
        bool dtr = false;
        bool rts = false;
        bool operator==(const Line &) const = default;
    };

    struct Event {
        enum class Kind {
            ComPortEnabled, // the client asked for COM-PORT control
            LineRequest,    // a change of the line, allowed: act, then answer()
            LineRefused,    // a change of the line, not allowed: answered unchanged
            Purge,          // PURGE-DATA: 1 from the device, 2 to it, 3 both
            Suspend,        // FLOWCONTROL-SUSPEND: hold the device's bytes
            Resume,         // FLOWCONTROL-RESUME
            Claim,          // the client wants the port to itself (signature "claim")
            Release,        // and gives it back (signature "release")
        };
        Kind kind;
        Command command{};
        quint32 value = 0;
        bool operator==(const Event &) const = default;
    };

    struct Received {
        QByteArray data;  // for the device
        QByteArray reply; // to the client at once
        QList<Event> events;
    };

    static constexpr QByteArrayView kClaimSignature = "claim";
    static constexpr QByteArrayView kReleaseSignature = "release";

    // The name the server gives when asked for its signature.
    explicit ComPortServer(QByteArray signature = {});

    Received receive(QByteArrayView bytes);

    // The device's bytes as this client must get them.
    QByteArray encodeData(QByteArrayView bytes) const;

    // What the answers report; set it before receive() and after acting.
    void setLine(const Line &line) { m_line = line; }
    const Line &line() const { return m_line; }
    void setLineRequestsAllowed(bool allowed) { m_allowed = allowed; }

    // The answer to a LineRequest, from the line as set now.
    QByteArray answer(const Event &request) const;

    // NOTIFY-MODEMSTATE / NOTIFY-LINESTATE when a bit the client's mask
    // watches changed since the last one sent; empty otherwise.
    QByteArray notifyModemState(quint8 state);
    QByteArray notifyLineState(quint8 state);

    bool telnet() const { return m_mode == Mode::Telnet; }
    bool comPort() const { return m_comPort; }
    bool suspended() const { return m_suspended; }

private:
    class Listener;
    enum class Mode { Undecided, Raw, Telnet };
    struct Option {
        bool us = false; // we perform it
        bool usAsked = false;
        bool him = false; // the client performs it
        bool himAsked = false;
        quint8 answers = 0;
    };

    void onVerb(quint8 verb, quint8 option, Received &out);
    void reply(quint8 verb, quint8 option, Received &out);
    void onSubNegotiation(const QByteArray &sub, Received &out);
    void onLineCommand(Command command, quint32 value, Received &out);
    QByteArray valueOf(Command command, quint32 asked) const;
    QByteArray notify(quint8 code, quint8 state, quint8 mask, quint8 &last);

    QByteArray m_signature;
    Mode m_mode = Mode::Undecided;
    telnet::Reader m_reader;
    std::array<Option, 256> m_options{};
    bool m_askedOptions = false;
    bool m_comPort = false;
    bool m_allowed = false;
    bool m_suspended = false;
    Line m_line;
    quint8 m_lineStateMask = 0;
    quint8 m_modemStateMask = 0;
    quint8 m_lastLineState = 0;
    quint8 m_lastModemState = 0;
};

} // namespace core
