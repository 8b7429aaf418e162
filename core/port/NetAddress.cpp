#include "core/port/NetAddress.h"

#include <QUrl>

namespace core {

namespace {

// A host name has at most 253 characters; a longer line is no address and
// is not worth parsing.
constexpr qsizetype kMaxAddressLength = 300;

QString schemeHint() { return QStringLiteral("ожидается rfc2217://УЗЕЛ:ПОРТ или tcp://УЗЕЛ:ПОРТ"); }

bool hasScheme(const QString &text) {
    return text.startsWith(QLatin1String("rfc2217://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive);
}

} // namespace

std::optional<NetAddress> NetAddress::parse(const QString &text, QString *why) {
    const auto fail = [why](const QString &reason) -> std::optional<NetAddress> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    if (text.size() > kMaxAddressLength)
        return fail(QStringLiteral("строка длиннее %1 знаков").arg(kMaxAddressLength));
    // Most junk is told by its first characters, without the parser.
    if (!hasScheme(text))
        return fail(schemeHint());
    const QUrl url(text, QUrl::StrictMode);
    NetAddress address;
    if (url.scheme() == QLatin1String("rfc2217"))
        address.protocol = Protocol::Rfc2217;
    else if (url.scheme() != QLatin1String("tcp"))
        return fail(schemeHint());
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || !url.path().isEmpty() ||
        url.hasQuery() || url.hasFragment())
        return fail(QStringLiteral("не адрес вида УЗЕЛ:ПОРТ (%1)").arg(schemeHint()));
    if (url.port() <= 0)
        return fail(QStringLiteral("нет номера порта TCP (1..65535)"));
    address.host = url.host();
    address.port = quint16(url.port());
    return address;
}

QString NetAddress::identity() const {
    return QStringLiteral("%1://%2:%3").arg(protocol == Protocol::Rfc2217 ? "rfc2217" : "tcp", host).arg(port);
}

} // namespace core
