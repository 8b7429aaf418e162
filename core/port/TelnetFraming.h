#pragma once

#include "core/LineSettings.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <initializer_list>

namespace core {

// What both ends of a Telnet connection to a serial port share (RFC 854
// framing, RFC 2217 COM-PORT codes): the command bytes, the escaping of data
// and the reading of a stream into data, option verbs and sub-negotiations.
// The client (TelnetCodec) and the server (ComPortServer) differ only in
// which options they want and what they answer.
namespace telnet {

inline constexpr quint8 kIac = 255;
inline constexpr quint8 kDont = 254;
inline constexpr quint8 kDo = 253;
inline constexpr quint8 kWont = 252;
inline constexpr quint8 kWill = 251;
inline constexpr quint8 kSb = 250;
inline constexpr quint8 kSe = 240;
inline constexpr quint8 kCr = 13;

inline constexpr quint8 kBinary = 0;
inline constexpr quint8 kEcho = 1;
inline constexpr quint8 kSuppressGoAhead = 3;
inline constexpr quint8 kComPort = 44;

// Server answers carry the client's command code plus this.
inline constexpr quint8 kAnswerOffset = 100;

// COM-PORT stop size values.
inline constexpr quint8 kStopOne = 1;
inline constexpr quint8 kStopTwo = 2;
inline constexpr quint8 kStopOneAndHalf = 3;

// The COM-PORT commands a client sends; answers carry the code plus 100.
enum class Command : quint8 {
    Signature = 0,
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    NotifyLineState = 6,
    NotifyModemState = 7,
    FlowControlSuspend = 8,
    FlowControlResume = 9,
    SetLineStateMask = 10,
    SetModemStateMask = 11,
    PurgeData = 12,
};

// SET-CONTROL values.
enum class Control : quint8 {
    QueryFlow = 0,
    NoFlow = 1,
    SoftwareFlow = 2,
    HardwareFlow = 3,
    QueryBreak = 4,
    BreakOn = 5,
    BreakOff = 6,
    QueryDtr = 7,
    DtrOn = 8,
    DtrOff = 9,
    QueryRts = 10,
    RtsOn = 11,
    RtsOff = 12,
    QueryInboundFlow = 13,
    InboundNoFlow = 14,
    InboundLast = 19,
};

// COM-PORT parity values in the order of core::Parity (none, even, odd,
// mark, space) and SET-CONTROL flow values in the order of core::FlowControl
// (none, RTS/CTS, XON/XOFF).
inline constexpr std::array<quint8, 5> kParityValues{1, 3, 2, 4, 5};
inline constexpr std::array<Control, 3> kFlowValues{Control::NoFlow, Control::HardwareFlow, Control::SoftwareFlow};

// The longest sub-negotiation kept; the ones either end reads are a few bytes
// long, so anything longer is dropped whole.
inline constexpr qsizetype kMaxSubNegotiation = 256;
// An option the peer keeps asking about is answered this often at most, so a
// peer that never stops asking cannot make us write without end.
inline constexpr quint8 kMaxAnswersPerOption = 8;

QByteArray bytesOf(std::initializer_list<quint8> values);
// 0xFF doubled; with crNul, a carriage return followed by NUL as well.
void appendEscaped(QByteArray &out, QByteArrayView bytes, bool crNul);
QByteArray bigEndian32(quint32 value);
quint8 stopSize(StopBits stopBits);
// IAC SB COM-PORT code value IAC SE, the value escaped.
QByteArray subNegotiation(quint8 code, QByteArrayView value);

// Reads a Telnet stream: data bytes out, each option verb and each complete
// sub-negotiation (COM-PORT code and value, IAC IAC undone) handed to the
// listener. A command may be split across calls anywhere.
class Reader {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        // The peer sends in binary mode: CR NUL is then no pair.
        virtual bool peerBinary() const = 0;
        virtual void onVerb(quint8 verb, quint8 option) = 0;
        virtual void onSubNegotiation(const QByteArray &sub) = 0;
    };

    // Appends the data bytes of the stream to data.
    void read(QByteArrayView bytes, QByteArray &data, Listener &listener);

private:
    enum class State { Data, Cr, Iac, Verb, Sub, SubIac };
    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_sub;
    bool m_subOverflow = false;
};

} // namespace telnet
} // namespace core
