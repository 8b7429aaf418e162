#include "core/PortDirectory.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

void sortByName(QList<PortEntry> &entries) {
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(entries.begin(), entries.end(),
              [&](const PortEntry &a, const PortEntry &b) { return collator.compare(a.name, b.name) < 0; });
}

bool isPseudoTerminal(const QString &target) {
    return target.startsWith(QLatin1String("/dev/pts/")) || target == QLatin1String("/dev/ptmx");
}

} // namespace

PortDirectory::PortDirectory(QString virtualPortFolder, bool includeSystemPorts)
    : virtualPortFolder_(std::move(virtualPortFolder)), includeSystemPorts_(includeSystemPorts) {}

QList<PortEntry> PortDirectory::scan() const {
    QList<PortEntry> system;
    if (includeSystemPorts_) {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            system.append({info.portName(), info.systemLocation()});
        sortByName(system);
    }

    QList<PortEntry> virtualPorts;
    const QDir folder(virtualPortFolder_);
    for (const QFileInfo &file : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (file.isSymLink() && isPseudoTerminal(file.symLinkTarget()))
            virtualPorts.append({file.fileName(), file.absoluteFilePath()});
    }
    sortByName(virtualPorts);
    return system + virtualPorts;
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
