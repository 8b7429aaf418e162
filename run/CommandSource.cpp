#include "run/CommandSource.h"

#include "core/Cp1251.h"
#include "macros/MacroStore.h"
#include "tx/CommandFile.h"

namespace run {

namespace {

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

Commands loadCommands(const RunOptions &options, int inputFd) {
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
        auto stream = std::make_shared<CommandStream>(inputFd);
        // Only the first command is read before the run; the rest as they
        // are sent. A list to go through again, or one expectation per
        // command to be counted first, is read whole.
        const bool streamed = options.count == 1 && options.expect.size() <= 1;
        while (stream->waitForCommand()) {
            const std::optional<QByteArray> command = stream->take();
            if (command)
                add(out, *command);
            if (stream->atEnd() || (streamed && command))
                break;
        }
        if (!stream->errorString().isEmpty()) {
            out.error = stream->errorString();
            return out;
        }
        if (streamed && !stream->atEnd())
            out.stream = std::move(stream);
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
    // A stream has one expectation at most: none to count.
    if (out.error.isEmpty() && !out.stream)
        out.error = checkExpectations(options, out.bytes.size());
    return out;
}

} // namespace run
