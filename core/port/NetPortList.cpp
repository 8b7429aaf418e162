#include "core/port/NetPortList.h"

#include "core/Cp1251.h"
#include "core/platform/SafeFile.h"

#include <QFile>
#include <QSet>

namespace core {

namespace {

// Anything larger is not a list of addresses typed by hand.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

// The one rule for the lines of the file, in reading it and in adding to it:
// each line is windows-1251 with blanks (a no-break space too) trimmed at
// both ends, and blank lines and comments list nothing. Calls
// take(number, text, address, why) for every other line, numbered from 1;
// address is empty for a line that is no address, why says why.
template <typename Take>
void forEachListed(QByteArrayView bytes, Take take) {
    qsizetype number = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        const QString text = cp1251::toUnicode(bytes.sliced(at, end - at)).trimmed();
        ++number;
        at = end + 1;
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        QString why;
        const std::optional<NetAddress> address = NetAddress::parse(text, &why);
        take(number, text, address, why);
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

NetPortList::NetPortList(QString fileName) : m_fileName(std::move(fileName)) {}

bool NetPortList::fail(const QString &error) {
    m_error = error;
    return false;
}

// The whole file; a missing one reads as empty.
bool NetPortList::readAll(QByteArray &bytes) {
    bytes.clear();
    SafeFile opened;
    QFile file;
    if (!opened.openForReading(m_fileName))
        return opened.missing() || fail(QStringLiteral("%1: %2").arg(m_fileName, opened.errorString()));
    if (!opened.handTo(file))
        return fail(QStringLiteral("%1: %2").arg(m_fileName, opened.errorString()));
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
    // What an add killed half-way left; a save still writing holds its own.
    SafeFile::removeStaleTemporaries(m_fileName);
    QByteArray bytes;
    if (!readAll(bytes)) {
        m_problems = {m_error};
        return false;
    }
    QSet<QString> listed;
    forEachListed(bytes, [&](qsizetype number, const QString &text, const std::optional<NetAddress> &address,
                             const QString &why) {
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
    forEachListed(bytes, [&](qsizetype, const QString &, const std::optional<NetAddress> &there, const QString &) {
        listed = listed || (there && there->identity() == added->identity());
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
