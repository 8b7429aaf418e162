#pragma once

#include "core/port/PortEntry.h"

#include <QList>
#include <QString>

#include <optional>

namespace core {

// Where the port list comes from: the system's serial devices plus virtual
// ports (symbolic links to pseudo-terminals, as made by socat) in one folder.
// The lasting names are the links in the system's folder of serial devices by
// identity.
class PortDirectory {
public:
    // The system's folder of lasting names.
    static inline const QString kStableNameFolder = QStringLiteral("/dev/serial/by-id");

    explicit PortDirectory(QString virtualPortFolder = QStringLiteral("/dev"), bool includeSystemPorts = true,
                           QString stableNameFolder = kStableNameFolder);

    // The ports present now, in a stable order: system devices by name, then
    // virtual ports by name.
    QList<PortEntry> scan() const;

    // The port the lasting name leads to now (ttyUSB1 for the adapter that
    // was ttyUSB0 before it was pulled); empty while the adapter is away.
    std::optional<PortEntry> findStable(const QString &stableLocation) const;

    // The list offered when no port is found: "COM1".."COM9".
    static QList<PortEntry> fallbackPorts();

private:
    QString m_virtualPortFolder;
    bool m_includeSystemPorts;
    QString m_stableNameFolder;
};

} // namespace core
