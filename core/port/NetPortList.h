#pragma once

#include "core/port/NetAddress.h"
#include "core/port/PortEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace core {

// The network ports the user listed in a plain-text file, one address a line;
// blank lines and lines starting with '#' are skipped. An address listed
// twice, however written, is listed once.
class NetPortList {
public:
    // A report names this many bad lines and counts the rest, so that a file
    // that is no list at all still makes a short message.
    static constexpr int kReportedLines = 5;
    // How much of a bad line a report shows.
    static constexpr int kShownLength = 60;

    explicit NetPortList(QString fileName = QStringLiteral("NetPorts"));

    // Reads the file. A missing file lists nothing and is no fault. False
    // when the file could not be read or a line was skipped; errorString()
    // then names the first few lines and why and counts the others, all in
    // one text. What could be read is in entries() either way. Temporary
    // files left by an add that was killed are removed.
    bool load();
    // One entry per address, in the file's order; its name and location are
    // the address exactly as written.
    QList<PortEntry> entries() const { return m_entries; }

    // Adds an address as the file's last line, creating the file if needed.
    // Refuses a text that is not an address or is listed already.
    bool append(const QString &address);

    QString errorString() const { return m_error; }
    // What the last load() found wrong: one text per line reported, and one
    // counting the lines not named (or the one reason the file could not be
    // read).
    QStringList problems() const { return m_problems; }

private:
    bool fail(const QString &error);
    bool readAll(QByteArray &bytes);
    void skipped(qsizetype lineNumber, const QString &text, const QString &why);

    QString m_fileName;
    QList<PortEntry> m_entries;
    QStringList m_problems;
    qsizetype m_unreported = 0; // bad lines beyond those named
    QString m_error;
};

} // namespace core
