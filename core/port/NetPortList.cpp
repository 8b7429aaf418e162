#include "core/port/NetPortList.h"

#include "core/Cp1251.h"
#include "core/platform/FileDescriptor.h"
#include "core/platform/SafeFile.h"

#include <QFile>
#include <QSet>

namespace core {

namespace {

// Anything larger is not a list of addresses typed by hand.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

// Calls take(number, line) for each line, numbered from 1, without its '\n'.
template <typename Take>
void forEachLine(QByteArrayView bytes, Take take) {
    qsizetype number = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        take(++number, bytes.sliced(at, end - at));
        at = end + 1;
    }
}

// A bad line as a report shows it: its start, and no control character that
// would break the message's lines.
QString shown(const QString &text) {
    QString start = text.left(NetPortList::kShownLength);
    for (QChar &c : start) {
        if (!c.isPrint())
            c = QChar::ReplacementCharacter;
    }
    return text.size() > start.size() ? start + QChar(0x2026) : start;
}

} // namespace

QString NetPortList::lineText(QByteArrayView line) { return cp1251::toUnicode(line).trimmed(); }

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
    if (!adoptDescriptor(file, fd, QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(m_fileName, file.errorString()));
    bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("%1: %2").arg(m_fileName, file.errorString()));
    if (bytes.size() > kMaxFileBytes)
        return fail(
            QStringLiteral("%1: файл больше %2 байт, это не список адресов").arg(m_fileName).arg(kMaxFileBytes));
    return true;
}

void NetPortList::skipped(qsizetype lineNumber, const QString &text, const QString &why) {
    if (m_problems.size() < kReportedLines)
        m_problems.append(
            QStringLiteral("%1, строка %2: «%3» пропущена: %4.").arg(m_fileName).arg(lineNumber).arg(shown(text), why));
    else
        ++m_unreported;
}

bool NetPortList::load() {
    m_entries.clear();
    m_problems.clear();
    m_unreported = 0;
    m_error.clear();
    QByteArray bytes;
    if (!readAll(bytes)) {
        m_problems = {m_error};
        return false;
    }
    QSet<QString> listed;
    forEachLine(bytes, [&](qsizetype number, QByteArrayView line) {
        const QString text = lineText(line);
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            return;
        QString why;
        const std::optional<NetAddress> address = NetAddress::parse(text, &why);
        if (!address)
            return skipped(number, text, why);
        if (listed.contains(address->identity()))
            return;
        listed.insert(address->identity());
        m_entries.append({text, text});
    });
    if (m_unreported > 0)
        m_problems.append(QStringLiteral("%1: пропущено ещё строк: %2.").arg(m_fileName).arg(m_unreported));
    return m_problems.isEmpty() || fail(m_problems.join(QLatin1Char('\n')));
}

bool NetPortList::append(const QString &address) {
    const QString text = address.trimmed();
    QString why;
    const std::optional<NetAddress> added = NetAddress::parse(text, &why);
    if (!added)
        return fail(QStringLiteral("«%1»: %2.").arg(text, why));
    const QByteArray line = cp1251::fromUnicode(text);
    if (cp1251::toUnicode(line) != text)
        return fail(QStringLiteral("«%1»: адрес должен быть записан латиницей.").arg(text));
    QByteArray bytes;
    if (!readAll(bytes))
        return false;
    // Compared as the file is read.
    bool listed = false;
    forEachLine(bytes, [&](qsizetype, QByteArrayView existing) {
        if (listed)
            return;
        const std::optional<NetAddress> there = NetAddress::parse(lineText(existing));
        listed = there && there->identity() == added->identity();
    });
    if (listed)
        return fail(QStringLiteral("«%1» уже есть в %2.").arg(text, m_fileName));
    // The file keeps its own line ends.
    const QByteArray end = bytes.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += end;
    SafeFile file;
    return file.replaceWhole(m_fileName, bytes + line + end) ||
           fail(QStringLiteral("%1: %2").arg(m_fileName, file.errorString()));
}

} // namespace core
