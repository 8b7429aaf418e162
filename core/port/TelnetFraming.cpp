#include "core/port/TelnetFraming.h"

namespace core {
namespace telnet {

QByteArray bytesOf(std::initializer_list<quint8> values) {
    QByteArray out;
    for (const quint8 v : values)
        out += char(v);
    return out;
}

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

QByteArray subNegotiation(quint8 code, QByteArrayView value) {
    QByteArray out = bytesOf({kIac, kSb, kComPort, code});
    appendEscaped(out, value, false); // inside a sub-negotiation only 0xFF is special
    out += bytesOf({kIac, kSe});
    return out;
}

void Reader::read(QByteArrayView bytes, QByteArray &data, Listener &listener) {
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
            const bool binary = listener.peerBinary();
            if (b == kCr && !binary) {
                data += char(b);
                m_state = State::Cr;
                break;
            }
            // Data comes in runs; take a run at once.
            qsizetype end = i + 1;
            while (end < bytes.size() && quint8(bytes[end]) != kIac && (binary || quint8(bytes[end]) != kCr))
                ++end;
            data.append(bytes.sliced(i, end - i));
            i = end - 1;
            break;
        }
        case State::Iac:
            if (b == kIac) {
                data += char(kIac);
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
            m_state = State::Data;
            listener.onVerb(m_verb, b);
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
                m_state = State::Data;
                if (!m_subOverflow)
                    listener.onSubNegotiation(m_sub);
                m_sub.clear();
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
}

} // namespace telnet
} // namespace core
