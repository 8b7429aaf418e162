// Command files: whatever the file holds, the lines loaded are those of the
// plain rule (LF ends a line and takes a CR before it along, 500 lines are
// counted at most, and one of 255 characters or more is not loaded), also
// where a line crosses the boundary of the reader's chunks.
#include "FuzzKit.h"

#include "tx/CommandFile.h"

using tx::CommandFile;

namespace {

QList<QByteArray> plainRule(QByteArrayView text, bool &limit) {
    QList<QByteArray> lines;
    int counted = 0;
    for (qsizetype at = 0; at < text.size() && counted < CommandFile::kMaxLines; ++counted) {
        qsizetype end = text.indexOf('\n', at);
        const bool terminated = end >= 0;
        if (!terminated)
            end = text.size();
        QByteArray line = text.sliced(at, end - at).toByteArray();
        if (terminated && line.endsWith('\r'))
            line.chop(1);
        if (line.size() < CommandFile::kSkippedLength)
            lines.append(line);
        at = end + 1;
    }
    limit = counted == CommandFile::kMaxLines;
    return lines;
}

// The reader takes the file in chunks of this size.
constexpr qsizetype kChunk = 64 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    // Now and then a first line that puts the chunk boundary into the input.
    QByteArray text;
    if (data[0] & 1)
        text = QByteArray(kChunk - 1 - data[0] * 4, 'p') + '\n';
    text += fuzz::bytes(data + 1, size - 1);
    const QString path = fuzz::scratch(QStringLiteral("commands.txt"));
    FUZZ_CHECK(fuzz::writeFile(path, text));
    CommandFile file;
    FUZZ_CHECK(file.read(path));
    bool limit = false;
    FUZZ_CHECK(file.lines() == plainRule(text, limit));
    FUZZ_CHECK(file.reachedLimit() == limit);
    return 0;
}
