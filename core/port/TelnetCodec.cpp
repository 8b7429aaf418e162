#include "core/port/TelnetCodec.h"

#include "core/port/TelnetFraming.h"

#include <array>
#include <initializer_list>
#include <utility>

namespace core {

namespace {

// The framing's bytes and helpers are shared with the server side.
using namespace telnet;

// The input lines' bits in NOTIFY-MODEMSTATE and in the mask.
constexpr quint8 kCtsBit = 0x10;
constexpr quint8 kDsrBit = 0x20;
constexpr quint8 kRiBit = 0x40;
constexpr quint8 kDcdBit = 0x80;

} // namespace

bool TelnetCodec::wantUs(quint8 option, bool comPort) {
    return option == kBinary || option == kSuppressGoAhead || (comPort && option == kComPort);
}

// Echo from the server is refused: it would mix our own bytes into the
// device's.
bool TelnetCodec::wantHim(quint8 option) { return option == kBinary || option == kSuppressGoAhead; }

QByteArray TelnetCodec::start(bool comPort) {
    m_comPort = comPort;
    QByteArray out;
    for (const quint8 option : {kBinary, kSuppressGoAhead}) {
        m_options[option].usAsked = m_options[option].himAsked = true;
        out += bytesOf({kIac, kWill, option, kIac, kDo, option});
    }
    if (comPort) {
        m_options[kComPort].usAsked = true;
        out += bytesOf({kIac, kWill, kComPort});
    }
    return out;
}

QByteArray TelnetCodec::encodeData(QByteArrayView bytes) const {
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 16);
    appendEscaped(out, bytes, !m_options[kBinary].us);
    return out;
}

QByteArray TelnetCodec::request(ComPortCommand command, const QByteArray &value) {
    m_pending[quint8(command)].append(value);
    QByteArray out = bytesOf({kIac, kSb, kComPort, quint8(command)});
    appendEscaped(out, value, false); // inside a sub-negotiation only 0xFF is special
    out += bytesOf({kIac, kSe});
    return out;
}

std::optional<QByteArray> TelnetCodec::requestLineSettings(const LineSettings &settings) {
    if (!isSupported(settings))
        return std::nullopt;
    return request(ComPortCommand::SetBaudRate, bigEndian32(quint32(settings.baudRate))) +
           request(ComPortCommand::SetDataSize, QByteArray(1, char(settings.dataBits))) +
           request(ComPortCommand::SetParity, QByteArray(1, char(kParityValues[int(settings.parity)]))) +
           request(ComPortCommand::SetStopSize, QByteArray(1, char(stopSize(settings.stopBits)))) +
           request(ComPortCommand::SetControl, QByteArray(1, char(quint8(kFlowValues[int(settings.flow)]))));
}

QByteArray TelnetCodec::requestOutput(ModemLine line, bool active) {
    const Control value = line == ModemLine::Dtr ? (active ? Control::DtrOn : Control::DtrOff)
                                                 : (active ? Control::RtsOn : Control::RtsOff);
    return request(ComPortCommand::SetControl, QByteArray(1, char(value)));
}

QByteArray TelnetCodec::requestBreak(bool on) {
    return request(ComPortCommand::SetControl, QByteArray(1, char(quint8(on ? Control::BreakOn : Control::BreakOff))));
}

QByteArray TelnetCodec::requestInputLineReports() {
    return request(ComPortCommand::SetModemStateMask, QByteArray(1, char(kCtsBit | kDsrBit | kRiBit | kDcdBit)));
}

int TelnetCodec::pendingAnswers() const {
    int count = 0;
    for (const auto &pending : m_pending)
        count += int(pending.size());
    return count;
}

TelnetCodec::Received TelnetCodec::receive(QByteArrayView bytes) {
    struct Answering : telnet::Reader::Listener {
        Answering(TelnetCodec &codec, Received &out) : m_codec(codec), m_out(out) {}
        bool peerBinary() const override { return m_codec.m_options[kBinary].him; }
        void onVerb(quint8 verb, quint8 option) override { m_codec.onVerb(verb, option, m_out); }
        void onSubNegotiation(const QByteArray &sub) override { m_codec.onSubNegotiation(sub, m_out); }
        TelnetCodec &m_codec;
        Received &m_out;
    };
    Received out;
    out.data.reserve(bytes.size());
    Answering answering(*this, out);
    m_reader.read(bytes, out.data, answering);
    return out;
}

void TelnetCodec::answer(quint8 verb, quint8 option, Received &out) {
    Option &o = m_options[option];
    if (o.answers >= kMaxAnswersPerOption)
        return;
    ++o.answers;
    out.reply += bytesOf({kIac, verb, option});
}

void TelnetCodec::onVerb(quint8 verb, quint8 option, Received &out) {
    Option &o = m_options[option];
    const bool isComPort = option == kComPort && m_comPort;
    switch (verb) {
    case kWill:
        if (o.him)
            break;
        if (o.himAsked || wantHim(option)) {
            o.him = true;
            if (!std::exchange(o.himAsked, false))
                answer(kDo, option, out);
        } else {
            answer(kDont, option, out);
        }
        break;
    case kWont:
        o.himAsked = false;
        if (std::exchange(o.him, false))
            answer(kDont, option, out);
        break;
    case kDo:
        if (o.us)
            break;
        if (o.usAsked || wantUs(option, m_comPort)) {
            o.us = true;
            if (!std::exchange(o.usAsked, false))
                answer(kWill, option, out);
            if (isComPort)
                out.events.append({Event::Kind::ComPortEnabled});
        } else {
            answer(kWont, option, out);
        }
        break;
    case kDont:
        if (std::exchange(o.us, false)) {
            answer(kWont, option, out);
            if (isComPort)
                out.events.append({Event::Kind::ComPortRefused});
        } else if (std::exchange(o.usAsked, false) && isComPort) {
            out.events.append({Event::Kind::ComPortRefused});
        }
        break;
    }
}

void TelnetCodec::onSubNegotiation(const QByteArray &sub, Received &out) {
    if (sub.size() < 2 || quint8(sub[0]) != kComPort || quint8(sub[1]) <= kAnswerOffset)
        return;
    const quint8 command = quint8(sub[1]) - kAnswerOffset;
    if (command == quint8(Command::NotifyModemState) && sub.size() == 3) {
        const quint8 state = quint8(sub[2]);
        out.events.append({Event::Kind::ModemState, ComPortCommand{}, QByteArray(),
                           InputLines{(state & kCtsBit) != 0, (state & kDsrBit) != 0, (state & kDcdBit) != 0,
                                      (state & kRiBit) != 0}});
        return;
    }
    if (command >= m_pending.size() || m_pending[command].isEmpty())
        return; // another notification, or an answer nobody waits for
    const QByteArray value = sub.mid(2);
    const bool accepted = value == m_pending[command].takeFirst();
    out.events.append({accepted ? Event::Kind::Accepted : Event::Kind::NotAccepted, ComPortCommand(command),
                       accepted ? QByteArray() : value});
}

} // namespace core
