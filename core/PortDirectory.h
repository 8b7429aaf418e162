#pragma once

#include <QList>
#include <QString>

// One entry of the port list: the name the user sees and the device the
// platform opens for it.
struct PortEntry {
    QString name;
    QString location;
};

// Where the port list comes from: the system's serial devices plus virtual
// ports (symbolic links to pseudo-terminals, as made by socat) in one folder.
class PortDirectory {
public:
    explicit PortDirectory(QString virtualPortFolder = QStringLiteral("/dev"), bool includeSystemPorts = true);

    // The ports present now, in a stable order: system devices by name, then
    // virtual ports by name.
    QList<PortEntry> scan() const;

    // The list offered when no port is found: "COM1".."COM9".
    static QList<PortEntry> fallbackPorts();

private:
    QString virtualPortFolder_;
    bool includeSystemPorts_;
};
