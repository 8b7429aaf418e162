// The network port list: whatever the file holds, every port listed is an
// address listed once, the report of bad lines stays short, and adding an
// address is refused exactly when the list has it already.
#include "FuzzKit.h"

#include "core/port/NetPortList.h"

#include <QSet>

namespace {

QStringList names(const QList<core::PortEntry> &entries) {
    QStringList out;
    for (const core::PortEntry &entry : entries)
        out.append(entry.name);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const QString path = fuzz::scratch(QStringLiteral("NetPorts"));
    FUZZ_CHECK(fuzz::writeFile(path, fuzz::bytes(data + 1, size - 1)));
    core::NetPortList list(path);
    list.load();
    const QStringList listed = names(list.entries());
    QSet<QString> addresses;
    for (const QString &name : listed) {
        const std::optional<core::NetAddress> address = core::NetAddress::parse(name);
        FUZZ_CHECK(address && !addresses.contains(address->identity()));
        addresses.insert(address->identity());
    }
    FUZZ_CHECK(list.problems().size() <= core::NetPortList::kReportedLines + 1);
    FUZZ_CHECK(list.errorString().size() <=
               (core::NetPortList::kReportedLines + 1) * (core::NetPortList::kShownLength + 200));

    // One of the listed ones, written another way, or a new one.
    const QString added = data[0] % 2 && !listed.isEmpty()
                              ? QStringLiteral(" %1\t").arg(listed[data[0] / 2 % listed.size()].toUpper())
                              : QStringLiteral("tcp://fuzz%1.invalid:%2").arg(data[0] % 2).arg(data[0] + 1);
    const bool isNew = !addresses.contains(core::NetAddress::parse(added.trimmed())->identity());
    FUZZ_CHECK(list.append(added) == isNew);
    FUZZ_CHECK(list.load() == list.problems().isEmpty());
    FUZZ_CHECK(names(list.entries()) == (isNew ? listed + QStringList{added.trimmed()} : listed));
    return 0;
}
