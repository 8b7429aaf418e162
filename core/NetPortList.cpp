#include "core/NetPortList.h"

#include "core/Cp1251.h"
#include "core/SafeFile.h"

#include <QFile>
#include <QUrl>

#include <unistd.h>

namespace {

// Anything larger is not a list of addresses typed by hand.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

QString schemeHint() { return QStringLiteral("ожидается rfc2217://УЗЕЛ:ПОРТ или tcp://УЗЕЛ:ПОРТ"); }

} // namespace

std::optional<NetAddress> NetAddress::parse(const QString &text, QString *why) {
    const auto fail = [why](const QString &reason) -> std::optional<NetAddress> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
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

NetPortList::NetPortList(QString fileName) : m_fileName(std::move(fileName)) {}

bool NetPortList::fail(const QString &error) {
    m_error = error;
    return false;
}

// The whole file; a missing one reads as empty.
bool NetPortList::readAll(QByteArray &bytes) {
    bytes.clear();
    SafeFile opened;
    if (!opened.openForReading(m_fileName))
        return opened.missing() || fail(QStringLiteral("%1: %2").arg(m_fileName, opened.errorString()));
    const int fd = opened.takeDescriptor();
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(QStringLiteral("%1: %2").arg(m_fileName, file.errorString()));
    }
    bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("%1: %2").arg(m_fileName, file.errorString()));
    if (bytes.size() > kMaxFileBytes)
        return fail(QStringLiteral("%1: файл больше %2 байт, это не список адресов").arg(m_fileName).arg(kMaxFileBytes));
    return true;
}

bool NetPortList::load() {
    m_entries.clear();
    m_problems.clear();
    m_error.clear();
    QByteArray bytes;
    if (!readAll(bytes)) {
        m_problems = {m_error};
        return false;
    }
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString text = cp1251::toUnicode(lines[n]).trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        QString why;
        if (NetAddress::parse(text, &why))
            m_entries.append({text, text});
        else
            m_problems.append(QStringLiteral("%1, строка %2: «%3» пропущена: %4.").arg(m_fileName).arg(n + 1).arg(text, why));
    }
    return m_problems.isEmpty() || fail(m_problems.join(QLatin1Char('\n')));
}

bool NetPortList::append(const QString &address) {
    const QString text = address.trimmed();
    QString why;
    if (!NetAddress::parse(text, &why))
        return fail(QStringLiteral("«%1»: %2.").arg(text, why));
    const QByteArray line = cp1251::fromUnicode(text);
    if (cp1251::toUnicode(line) != text)
        return fail(QStringLiteral("«%1»: адрес должен быть записан латиницей.").arg(text));
    QByteArray bytes;
    if (!readAll(bytes))
        return false;
    for (const QByteArray &existing : bytes.split('\n')) {
        if (existing.trimmed() == line)
            return fail(QStringLiteral("«%1» уже есть в %2.").arg(text, m_fileName));
    }
    // The file keeps its own line ends.
    const QByteArray end = bytes.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += end;
    SafeFile file;
    return file.replaceWhole(m_fileName, bytes + line + end) ||
           fail(QStringLiteral("%1: %2").arg(m_fileName, file.errorString()));
}
