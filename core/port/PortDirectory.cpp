#include "core/port/PortDirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>

namespace core {

namespace {

// "ttyUSB2" before "ttyUSB10": runs of digits compare by their value.
bool naturalLess(const QString &a, const QString &b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype startA = i;
            const qsizetype startB = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            const qulonglong x = a.mid(startA, i - startA).toULongLong();
            const qulonglong y = b.mid(startB, j - startB).toULongLong();
            if (x != y)
                return x < y;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

void sortByName(QList<PortEntry> &entries) {
    std::sort(entries.begin(), entries.end(),
              [](const PortEntry &x, const PortEntry &y) { return naturalLess(x.name, y.name); });
}

bool isPseudoTerminal(const QString &target) {
    return target.startsWith(QLatin1String("/dev/pts/")) || target == QLatin1String("/dev/ptmx");
}

} // namespace

PortDirectory::PortDirectory(QString virtualPortFolder, bool includeSystemPorts, QString stableNameFolder)
    : m_virtualPortFolder(std::move(virtualPortFolder)), m_includeSystemPorts(includeSystemPorts),
      m_stableNameFolder(std::move(stableNameFolder)) {}

QList<PortEntry> PortDirectory::scan() const {
    QList<PortEntry> system;
    if (m_includeSystemPorts) {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            system.append({info.portName(), info.systemLocation()});
        sortByName(system);
    }

    QList<PortEntry> virtualPorts;
    const QDir folder(m_virtualPortFolder);
    for (const QFileInfo &file : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        // A link left by a pseudo-terminal that has gone is no port.
        if (file.isSymLink() && isPseudoTerminal(file.symLinkTarget()) && file.exists())
            virtualPorts.append({file.fileName(), file.absoluteFilePath()});
    }
    sortByName(virtualPorts);

    // Each lasting name is a link to the device it stands for now.
    QHash<QString, QString> stableNames;
    for (const QFileInfo &link : QDir(m_stableNameFolder).entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString device = link.canonicalFilePath();
        if (link.isSymLink() && !device.isEmpty() && !stableNames.contains(device))
            stableNames.insert(device, link.absoluteFilePath());
    }
    QList<PortEntry> ports = system + virtualPorts;
    for (PortEntry &port : ports)
        port.stableLocation = stableNames.value(QFileInfo(port.location).canonicalFilePath());
    return ports;
}

std::optional<PortEntry> PortDirectory::findStable(const QString &stableLocation) const {
    if (stableLocation.isEmpty())
        return std::nullopt;
    for (const PortEntry &port : scan()) {
        if (port.stableLocation == stableLocation)
            return port;
    }
    return std::nullopt;
}

QList<PortEntry> PortDirectory::fallbackPorts() {
    QList<PortEntry> ports;
    for (int n = 1; n <= 9; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
#ifdef Q_OS_WIN
        ports.append({name, name});
#else
        // The first nine on-board UARTs stand behind the familiar names.
        ports.append({name, QStringLiteral("/dev/ttyS%1").arg(n - 1)});
#endif
    }
    return ports;
}

} // namespace core
