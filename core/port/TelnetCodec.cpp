#include "core/port/TelnetCodec.h"

#include <utility>

namespace core {

using namespace telnet;

namespace {

// COM-PORT values for the settings of one open.
constexpr quint8 kParityNone = 1;
constexpr quint8 kNoFlowControl = 1;

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
    m_pending[quint8(command)] = value;
    return subNegotiation(quint8(command), value);
}

std::optional<QByteArray> TelnetCodec::requestLineSettings(const LineSettings &settings) {
    if (!isSupported(settings))
        return std::nullopt;
    return request(ComPortCommand::SetBaudRate, bigEndian32(quint32(settings.baudRate))) +
           request(ComPortCommand::SetDataSize, QByteArray(1, char(settings.dataBits))) +
           request(ComPortCommand::SetParity, QByteArray(1, char(kParityNone))) +
           request(ComPortCommand::SetStopSize, QByteArray(1, char(stopSize(settings.stopBits)))) +
           request(ComPortCommand::SetControl, QByteArray(1, char(kNoFlowControl)));
}

int TelnetCodec::pendingAnswers() const {
    int count = 0;
    for (const auto &pending : m_pending)
        count += pending.has_value();
    return count;
}

// The reader's listener for one receive() call: the codec's rules, the
// call's output.
class TelnetCodec::Listener : public Reader::Listener {
public:
    Listener(TelnetCodec &codec, Received &out) : m_codec(codec), m_out(out) {}
    bool peerBinary() const override { return m_codec.m_options[kBinary].him; }
    void onVerb(quint8 verb, quint8 option) override { m_codec.onVerb(verb, option, m_out); }
    void onSubNegotiation(const QByteArray &sub) override { m_codec.onSubNegotiation(sub, m_out); }

private:
    TelnetCodec &m_codec;
    Received &m_out;
};

TelnetCodec::Received TelnetCodec::receive(QByteArrayView bytes) {
    Received out;
    out.data.reserve(bytes.size());
    Listener listener(*this, out);
    m_reader.read(bytes, out.data, listener);
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
    if (command >= m_pending.size() || !m_pending[command])
        return; // a notification, or an answer nobody waits for
    const QByteArray value = sub.mid(2);
    const bool accepted = value == *m_pending[command];
    m_pending[command].reset();
    out.events.append({accepted ? Event::Kind::Accepted : Event::Kind::NotAccepted, ComPortCommand(command),
                       accepted ? QByteArray() : value});
}

} // namespace core
