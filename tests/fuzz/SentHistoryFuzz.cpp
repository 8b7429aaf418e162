// The history file: whatever it holds, loading and saving unchanged writes
// its 50 records back as they were, and a history with commands added is the
// same after a save and a load.
#include "FuzzKit.h"

#include "tx/SentHistory.h"

using tx::SentHistory;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArrayView file = fuzz::bytes(data + 1, size - 1);
    const QString path = fuzz::scratch(QStringLiteral("OldCmd"));
    FUZZ_CHECK(fuzz::writeFile(path, file));

    SentHistory history;
    FUZZ_CHECK(history.loadOrCreate(path));
    FUZZ_CHECK(history.texts().size() <= SentHistory::kEntries);
    for (const QByteArray &text : history.texts())
        FUZZ_CHECK(!text.isEmpty() && text.size() < SentHistory::kRecordSize);
    FUZZ_CHECK(history.saveIfPresent(path));
    constexpr qsizetype kImage = SentHistory::kEntries * SentHistory::kRecordSize;
    QByteArray records = file.first(std::min(file.size(), kImage)).toByteArray();
    records.append(QByteArray(kImage - records.size(), '\0'));
    FUZZ_CHECK(fuzz::readFile(path) == records);

    // Commands cut from the input, some of them repeats.
    for (int k = 0; k < data[0] % 8; ++k) {
        const qsizetype from = k * 5 % (file.size() + 1);
        history.add(file.sliced(from, std::min<qsizetype>(file.size() - from, 1 + k * 40)));
    }
    FUZZ_CHECK(history.saveIfPresent(path));
    SentHistory reloaded;
    FUZZ_CHECK(reloaded.loadOrCreate(path));
    FUZZ_CHECK(reloaded.texts() == history.texts());
    return 0;
}
