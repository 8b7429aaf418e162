#include "run/CommandSource.h"

#include "core/Cp1251.h"
#include "macros/MacroStore.h"
#include "tx/CommandFile.h"

namespace run {

namespace {

constexpr qint64 kInputBlockBytes = 64 * 1024;

void add(Commands &out, const QByteArray &command) {
    if (command.isEmpty())
        return;
    out.bytes << command;
    out.texts << core::cp1251::toUnicode(command);
}

// Typed in the locale's encoding, sent in windows-1251 like the window's
// command line.
void addTyped(Commands &out, const QString &command) { add(out, core::cp1251::fromUnicode(command)); }

} // namespace

Commands loadCommands(const RunOptions &options, QIODevice &standardInput) {
    Commands out;
    switch (options.source) {
    case RunOptions::Source::Arguments:
        for (const QString &command : options.commands)
            addTyped(out, command);
        break;
    case RunOptions::Source::File: {
        tx::CommandFile file;
        if (!file.read(options.file)) {
            out.error = QStringLiteral("--file: %1: %2").arg(options.file, file.errorString());
            return out;
        }
        for (const QByteArray &line : file.lines())
            add(out, line);
        break;
    }
    case RunOptions::Source::Macros: {
        macros::MacroStore store;
        if (!store.readOnly(macros::MacroStore::kFileName)) {
            out.error = QStringLiteral("--macros: %1").arg(store.errorString());
            return out;
        }
        for (int macro = 1; macro <= macros::MacroStore::kMacros; ++macro)
            add(out, store.bytes(macros::MacroStore::Field::Command, options.macroList, macro));
        break;
    }
    case RunOptions::Source::StandardInput: {
        // Bytes as a command file holds them, sent as they are: no decoding
        // that could cut a line at a zero byte or turn a byte into '?'.
        // Read in blocks: a line read of Qt's on a standard stream ends at a
        // zero byte.
        const auto addLine = [&out](QByteArray line) {
            while (line.endsWith('\r'))
                line.chop(1);
            add(out, line);
        };
        QByteArray rest;
        for (QByteArray block; !(block = standardInput.read(kInputBlockBytes)).isEmpty();) {
            rest += block;
            qsizetype start = 0;
            for (qsizetype end; (end = rest.indexOf('\n', start)) >= 0; start = end + 1)
                addLine(rest.mid(start, end - start));
            rest.remove(0, start);
        }
        addLine(rest);
        break;
    }
    }
    // A run may only send a file.
    if (out.bytes.isEmpty() && out.error.isEmpty() && options.sendFile.isEmpty())
        out.error = options.source == RunOptions::Source::File
                        ? QStringLiteral("--file: %1 holds no command").arg(options.file)
                    : options.source == RunOptions::Source::Macros
                        ? QStringLiteral("--macros: list %1 holds no command").arg(options.macroList)
                        : QStringLiteral("no command to send");
    if (out.error.isEmpty())
        out.error = checkExpectations(options, out.bytes.size());
    return out;
}

} // namespace run
