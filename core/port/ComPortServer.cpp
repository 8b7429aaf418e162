#include "core/port/ComPortServer.h"

#include <utility>

namespace core {

using namespace telnet;

namespace {

bool wanted(quint8 option) { return option == kBinary || option == kSuppressGoAhead || option == kComPort; }

bool isQuery(ComPortServer::Command command, quint32 value) {
    if (command != ComPortServer::Command::SetControl)
        return value == 0;
    using Control = ComPortServer::Control;
    switch (Control(value)) {
    case Control::QueryFlow:
    case Control::QueryBreak:
    case Control::QueryDtr:
    case Control::QueryRts:
    case Control::QueryInboundFlow:
        return true;
    default:
        return false;
    }
}

} // namespace

class ComPortServer::Listener : public Reader::Listener {
public:
    Listener(ComPortServer &server, Received &out) : m_server(server), m_out(out) {}
    bool peerBinary() const override { return m_server.m_options[kBinary].him; }
    void onVerb(quint8 verb, quint8 option) override { m_server.onVerb(verb, option, m_out); }
    void onSubNegotiation(const QByteArray &sub) override { m_server.onSubNegotiation(sub, m_out); }

private:
    ComPortServer &m_server;
    Received &m_out;
};

ComPortServer::ComPortServer(QByteArray signature) : m_signature(std::move(signature)) {}

ComPortServer::Received ComPortServer::receive(QByteArrayView bytes) {
    Received out;
    if (bytes.isEmpty())
        return out;
    if (m_mode == Mode::Undecided)
        m_mode = quint8(bytes[0]) == kIac ? Mode::Telnet : Mode::Raw;
    if (m_mode == Mode::Raw) {
        out.data = bytes.toByteArray();
        return out;
    }
    // A Telnet client gets binary transmission both ways and no go-ahead
    // asked for once, whatever it asked for itself.
    if (!std::exchange(m_askedOptions, true)) {
        for (const quint8 option : {kBinary, kSuppressGoAhead}) {
            Option &o = m_options[option];
            o.usAsked = o.himAsked = true;
            out.reply += bytesOf({kIac, kWill, option, kIac, kDo, option});
        }
    }
    Listener listener(*this, out);
    m_reader.read(bytes, out.data, listener);
    return out;
}

QByteArray ComPortServer::encodeData(QByteArrayView bytes) const {
    if (m_mode != Mode::Telnet)
        return bytes.toByteArray();
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 16);
    appendEscaped(out, bytes, !m_options[kBinary].us);
    return out;
}

void ComPortServer::reply(quint8 verb, quint8 option, Received &out) {
    Option &o = m_options[option];
    if (o.answers >= kMaxAnswersPerOption)
        return;
    ++o.answers;
    out.reply += bytesOf({kIac, verb, option});
}

void ComPortServer::onVerb(quint8 verb, quint8 option, Received &out) {
    Option &o = m_options[option];
    const bool isComPort = option == kComPort;
    switch (verb) {
    case kWill:
        if (o.him)
            break;
        if (o.himAsked || wanted(option)) {
            o.him = true;
            if (!std::exchange(o.himAsked, false))
                reply(kDo, option, out);
            if (isComPort) {
                m_comPort = true;
                out.events.append({Event::Kind::ComPortEnabled});
            }
        } else {
            reply(kDont, option, out);
        }
        break;
    case kWont:
        o.himAsked = false;
        if (std::exchange(o.him, false))
            reply(kDont, option, out);
        if (isComPort)
            m_comPort = false;
        break;
    case kDo:
        if (o.us)
            break;
        if (o.usAsked || wanted(option)) {
            o.us = true;
            if (!std::exchange(o.usAsked, false))
                reply(kWill, option, out);
        } else {
            reply(kWont, option, out);
        }
        break;
    case kDont:
        o.usAsked = false;
        if (std::exchange(o.us, false))
            reply(kWont, option, out);
        break;
    }
}

void ComPortServer::onSubNegotiation(const QByteArray &sub, Received &out) {
    if (!m_comPort || sub.size() < 2 || quint8(sub[0]) != kComPort)
        return;
    const quint8 code = quint8(sub[1]);
    const QByteArray value = sub.mid(2);
    const auto answerWith = [&](QByteArrayView bytes) { out.reply += subNegotiation(code + kAnswerOffset, bytes); };
    switch (Command(code)) {
    case Command::Signature:
        if (value.isEmpty())
            answerWith(m_signature);
        else if (value == kClaimSignature)
            out.events.append({Event::Kind::Claim, Command::Signature});
        else if (value == kReleaseSignature)
            out.events.append({Event::Kind::Release, Command::Signature});
        break;
    case Command::SetBaudRate:
        if (value.size() == 4)
            onLineCommand(Command::SetBaudRate,
                          quint32(quint8(value[0])) << 24 | quint32(quint8(value[1])) << 16 |
                              quint32(quint8(value[2])) << 8 | quint32(quint8(value[3])),
                          out);
        break;
    case Command::SetDataSize:
    case Command::SetParity:
    case Command::SetStopSize:
    case Command::SetControl:
        if (value.size() == 1 &&
            (Command(code) != Command::SetControl || quint8(value[0]) <= quint8(Control::InboundLast)))
            onLineCommand(Command(code), quint8(value[0]), out);
        break;
    case Command::FlowControlSuspend:
    case Command::FlowControlResume:
        m_suspended = Command(code) == Command::FlowControlSuspend;
        out.events.append({m_suspended ? Event::Kind::Suspend : Event::Kind::Resume, Command(code)});
        break;
    case Command::SetLineStateMask:
    case Command::SetModemStateMask:
        if (value.size() == 1) {
            (Command(code) == Command::SetLineStateMask ? m_lineStateMask : m_modemStateMask) = quint8(value[0]);
            answerWith(value);
        }
        break;
    case Command::PurgeData:
        if (value.size() == 1 && quint8(value[0]) >= 1 && quint8(value[0]) <= 3) {
            out.events.append({Event::Kind::Purge, Command::PurgeData, quint8(value[0])});
            answerWith(value);
        }
        break;
    case Command::NotifyLineState:
    case Command::NotifyModemState:
        break; // only a server sends these
    }
}

void ComPortServer::onLineCommand(Command command, quint32 value, Received &out) {
    const Event event{m_allowed ? Event::Kind::LineRequest : Event::Kind::LineRefused, command, value};
    // A query, or a request for what the line already has, changes nothing.
    const QByteArray asked = command == Command::SetBaudRate ? bigEndian32(value) : bytesOf({quint8(value)});
    if (isQuery(command, value) || valueOf(command, value) == asked) {
        out.reply += answer(event);
        return;
    }
    if (!m_allowed)
        out.reply += answer(event);
    out.events.append(event);
}

QByteArray ComPortServer::valueOf(Command command, quint32 asked) const {
    switch (command) {
    case Command::SetBaudRate:
        return bigEndian32(m_line.baudRate);
    case Command::SetDataSize:
        return bytesOf({m_line.dataSize});
    case Command::SetParity:
        return bytesOf({m_line.parity});
    case Command::SetStopSize:
        return bytesOf({m_line.stopSize});
    case Command::SetControl:
        break;
    default:
        return {};
    }
    Control state = Control::InboundNoFlow; // inbound flow control is never on
    if (asked <= quint8(Control::HardwareFlow))
        state = m_line.flow;
    else if (asked <= quint8(Control::BreakOff))
        state = m_line.breakOn ? Control::BreakOn : Control::BreakOff;
    else if (asked <= quint8(Control::DtrOff))
        state = m_line.dtr ? Control::DtrOn : Control::DtrOff;
    else if (asked <= quint8(Control::RtsOff))
        state = m_line.rts ? Control::RtsOn : Control::RtsOff;
    return bytesOf({quint8(state)});
}

QByteArray ComPortServer::answer(const Event &request) const {
    return subNegotiation(quint8(request.command) + kAnswerOffset, valueOf(request.command, request.value));
}

QByteArray ComPortServer::notify(quint8 code, quint8 state, quint8 mask, quint8 &last) {
    if (!m_comPort || ((state ^ last) & mask) == 0)
        return {};
    last = state;
    return subNegotiation(code + kAnswerOffset, bytesOf({quint8(state & mask)}));
}

QByteArray ComPortServer::notifyModemState(quint8 state) {
    return notify(quint8(Command::NotifyModemState), state, m_modemStateMask, m_lastModemState);
}

QByteArray ComPortServer::notifyLineState(quint8 state) {
    return notify(quint8(Command::NotifyLineState), state, m_lineStateMask, m_lastLineState);
}

} // namespace core
