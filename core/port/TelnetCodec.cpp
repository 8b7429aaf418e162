#include "core/port/TelnetCodec.h"

#include <array>
#include <initializer_list>
#include <utility>

namespace core {

namespace {

constexpr quint8 kIac = 255;
constexpr quint8 kDont = 254;
constexpr quint8 kDo = 253;
constexpr quint8 kWont = 252;
constexpr quint8 kWill = 251;
constexpr quint8 kSb = 250;
constexpr quint8 kSe = 240;
constexpr quint8 kCr = 13;

constexpr quint8 kBinary = 0;
constexpr quint8 kSuppressGoAhead = 3;
constexpr quint8 kComPort = 44;

// Server answers carry the client's command code plus this.
constexpr quint8 kAnswerOffset = 100;

// The longest sub-negotiation kept; the answers the terminal reads are a few
// bytes long, so anything longer is dropped whole.
constexpr qsizetype kMaxSubNegotiation = 256;
// An option the server keeps asking about is answered this often at most,
// so a server that never stops asking cannot make us write without end.
constexpr quint8 kMaxAnswersPerOption = 8;

// COM-PORT values for the settings of one open, parity in the order of
// core::Parity (none, even, odd, mark, space) and flow control in the order
// of core::FlowControl (none, RTS/CTS, XON/XOFF).
constexpr std::array<quint8, 5> kParityValues{1, 3, 2, 4, 5};
constexpr std::array<quint8, 3> kFlowValues{1, 3, 2};
// SET-CONTROL values for break, DTR and RTS: on, then off.
constexpr quint8 kBreakOn = 5;
constexpr quint8 kBreakOff = 6;
constexpr quint8 kDtrOn = 8;
constexpr quint8 kDtrOff = 9;
constexpr quint8 kRtsOn = 11;
constexpr quint8 kRtsOff = 12;
// NOTIFY-MODEMSTATE and the input lines' bits in it and in the mask.
constexpr quint8 kNotifyModemState = 7;
constexpr quint8 kCtsBit = 0x10;
constexpr quint8 kDsrBit = 0x20;
constexpr quint8 kRiBit = 0x40;
constexpr quint8 kDcdBit = 0x80;
constexpr quint8 kStopOne = 1;
constexpr quint8 kStopTwo = 2;
constexpr quint8 kStopOneAndHalf = 3;

QByteArray bytesOf(std::initializer_list<quint8> values) {
    QByteArray out;
    for (const quint8 v : values)
        out += char(v);
    return out;
}

// 0xFF doubled; with crNul, a carriage return followed by NUL as well.
void appendEscaped(QByteArray &out, QByteArrayView bytes, bool crNul) {
    for (const char c : bytes) {
        out += c;
        if (quint8(c) == kIac)
            out += char(kIac);
        else if (quint8(c) == kCr && crNul)
            out += '\0';
    }
}

QByteArray bigEndian32(quint32 value) {
    return bytesOf({quint8(value >> 24), quint8(value >> 16), quint8(value >> 8), quint8(value)});
}

quint8 stopSize(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::OneAndHalf:
        return kStopOneAndHalf;
    case StopBits::Two:
        return kStopTwo;
    case StopBits::One:
        break;
    }
    return kStopOne;
}

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
           request(ComPortCommand::SetControl, QByteArray(1, char(kFlowValues[int(settings.flow)])));
}

QByteArray TelnetCodec::requestOutput(ModemLine line, bool active) {
    const quint8 value = line == ModemLine::Dtr ? (active ? kDtrOn : kDtrOff) : (active ? kRtsOn : kRtsOff);
    return request(ComPortCommand::SetControl, QByteArray(1, char(value)));
}

QByteArray TelnetCodec::requestBreak(bool on) {
    return request(ComPortCommand::SetControl, QByteArray(1, char(on ? kBreakOn : kBreakOff)));
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
    Received out;
    out.data.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 b = quint8(bytes[i]);
        switch (m_state) {
        case State::Cr:
            m_state = State::Data;
            if (b == 0)
                break; // CR NUL stands for a bare CR outside binary mode
            [[fallthrough]];
        case State::Data: {
            if (b == kIac) {
                m_state = State::Iac;
                break;
            }
            const bool binary = m_options[kBinary].him;
            if (b == kCr && !binary) {
                out.data += char(b);
                m_state = State::Cr;
                break;
            }
            // The device's bytes come in runs; take a run at once.
            qsizetype end = i + 1;
            while (end < bytes.size() && quint8(bytes[end]) != kIac && (binary || quint8(bytes[end]) != kCr))
                ++end;
            out.data.append(bytes.sliced(i, end - i));
            i = end - 1;
            break;
        }
        case State::Iac:
            if (b == kIac) {
                out.data += char(kIac);
                m_state = State::Data;
            } else if (b >= kWill && b <= kDont) {
                m_verb = b;
                m_state = State::Verb;
            } else if (b == kSb) {
                m_sub.clear();
                m_subOverflow = false;
                m_state = State::Sub;
            } else {
                m_state = State::Data; // NOP, go-ahead and the like, or junk: nothing to do
            }
            break;
        case State::Verb:
            onVerb(m_verb, b, out);
            m_state = State::Data;
            break;
        case State::Sub:
            if (b == kIac)
                m_state = State::SubIac;
            else if (m_sub.size() < kMaxSubNegotiation)
                m_sub += char(b);
            else
                m_subOverflow = true;
            break;
        case State::SubIac:
            if (b == kIac) {
                m_state = State::Sub;
                if (m_sub.size() < kMaxSubNegotiation)
                    m_sub += char(kIac);
                else
                    m_subOverflow = true;
            } else if (b == kSe) {
                if (!m_subOverflow)
                    onSubNegotiation(out);
                m_sub.clear();
                m_state = State::Data;
            } else {
                // A sub-negotiation cut short by another command: drop it and
                // take the command.
                m_sub.clear();
                m_state = State::Iac;
                --i;
            }
            break;
        }
    }
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

void TelnetCodec::onSubNegotiation(Received &out) {
    if (m_sub.size() < 2 || quint8(m_sub[0]) != kComPort || quint8(m_sub[1]) <= kAnswerOffset)
        return;
    const quint8 command = quint8(m_sub[1]) - kAnswerOffset;
    if (command == kNotifyModemState && m_sub.size() == 3) {
        const quint8 state = quint8(m_sub[2]);
        out.events.append({Event::Kind::ModemState, ComPortCommand{}, QByteArray(),
                           InputLines{(state & kCtsBit) != 0, (state & kDsrBit) != 0, (state & kDcdBit) != 0,
                                      (state & kRiBit) != 0}});
        return;
    }
    if (command >= m_pending.size() || m_pending[command].isEmpty())
        return; // another notification, or an answer nobody waits for
    const QByteArray value = m_sub.mid(2);
    const bool accepted = value == m_pending[command].takeFirst();
    out.events.append({accepted ? Event::Kind::Accepted : Event::Kind::NotAccepted, ComPortCommand(command),
                       accepted ? QByteArray() : value});
}

} // namespace core
