// The macro file: whatever it holds, loading gives a store of 100 signed
// records (the file's own when all are there and signed, rebuilt ones
// otherwise), and a store saved and loaded again is the same image.
#include "FuzzKit.h"

#include "macros/MacroStore.h"

#include <QtEndian>

namespace {

using Field = macros::MacroStore::Field;

bool signedRecord(const QByteArray &file, int record) {
    const qsizetype at = macros::MacroStore::kRecordSize * record + macros::MacroStore::kSignatureOffset;
    return file.size() >= macros::MacroStore::kRecordSize * (record + 1) &&
           qFromLittleEndian<qint32>(file.constData() + at) == macros::MacroStore::kSignature;
}

// Some whole records (a few past the 100 that are read), the input's texts
// stamped over them, one of them perhaps unsigned, and perhaps a part of one
// more record.
QByteArray fileFrom(quint8 records, quint8 unsignedRecord, quint8 flags, QByteArrayView stamp) {
    QByteArray file;
    for (int i = 0; i < records % (macros::MacroStore::kLists + 3); ++i) {
        QByteArray record(macros::MacroStore::kRecordSize, '\0');
        const qsizetype at = (qsizetype(i) * 7919 + flags) % (macros::MacroStore::kRecordSize - stamp.size());
        record.replace(at, stamp.size(), stamp.toByteArray());
        if (i != unsignedRecord)
            qToLittleEndian<qint32>(macros::MacroStore::kSignature,
                                    record.data() + macros::MacroStore::kSignatureOffset);
        file += record;
    }
    if (flags & 1)
        file += stamp;
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3 || size > 4096)
        return 0;
    const QByteArrayView stamp = fuzz::bytes(data + 3, size - 3);
    const QByteArray file = fileFrom(data[0], data[1], data[2], stamp);
    const QString path = fuzz::scratch(macros::MacroStore::kFileName);
    FUZZ_CHECK(fuzz::writeFile(path, file));

    bool good = true;
    for (int record = 0; record < macros::MacroStore::kLists; ++record)
        good = good && signedRecord(file, record);
    macros::MacroStore loaded;
    FUZZ_CHECK(loaded.LoadCmdConfig(path));
    FUZZ_CHECK(loaded.rebuilt() == !good);
    FUZZ_CHECK(loaded.image().size() == macros::MacroStore::kFileSize);
    if (good)
        FUZZ_CHECK(loaded.image() == file.first(macros::MacroStore::kFileSize));
    for (int list = 1; list <= macros::MacroStore::kLists; ++list) {
        FUZZ_CHECK(signedRecord(loaded.image(), list - 1));
        if (!good)
            FUZZ_CHECK(loaded.listName(list) == QStringLiteral("List %1").arg(list) &&
                       loaded.command(list, 1).isEmpty());
    }
    FUZZ_CHECK(fuzz::readFile(path).first(macros::MacroStore::kFileSize) == loaded.image());

    // Every slot of one list reads within its capacity.
    const int list = 1 + data[1] % macros::MacroStore::kLists;
    for (const Field field : {Field::ListName, Field::Command, Field::Name, Field::Description}) {
        for (int macro = 1; macro <= macros::MacroStore::kMacros; ++macro) {
            for (int line = 1; line <= macros::MacroStore::kDescriptionLines; ++line)
                FUZZ_CHECK(loaded.bytes(field, list, macro, line).size() <= macros::MacroStore::capacity(field));
        }
    }

    // An edit from the input, saved and read again.
    loaded.storeBytes(Field(data[2] % 4), stamp.first(std::min<qsizetype>(stamp.size(), 300)), list,
                      1 + data[0] % macros::MacroStore::kMacros, 1 + data[2] % macros::MacroStore::kDescriptionLines);
    FUZZ_CHECK(loaded.save(path));
    macros::MacroStore reloaded;
    FUZZ_CHECK(reloaded.LoadCmdConfig(path) && !reloaded.rebuilt());
    FUZZ_CHECK(reloaded.image() == loaded.image());
    return 0;
}
