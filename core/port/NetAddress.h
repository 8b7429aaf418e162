#pragma once

#include <QString>

#include <optional>

namespace core {

// The address of a serial port on another machine, served over TCP either
// with RFC 2217 control of the line or as plain bytes.
struct NetAddress {
    enum class Protocol { Rfc2217, RawTcp };
    Protocol protocol = Protocol::RawTcp;
    QString host;
    quint16 port = 0;

    // "rfc2217://HOST:PORT" or "tcp://HOST:PORT" (an IPv6 host in brackets).
    // Empty when the text is not such an address, with the reason in *why.
    static std::optional<NetAddress> parse(const QString &text, QString *why = nullptr);
    // The same for every way of writing the same address.
    QString identity() const;
};

} // namespace core
