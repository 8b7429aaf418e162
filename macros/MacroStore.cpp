#include "macros/MacroStore.h"

#include "core/Cp1251.h"
#include "core/SafeFile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace {

// The record layout: where each kind of slot starts and how far apart its
// slots are. All slot arithmetic of the program is here.
constexpr qsizetype kListNameAt = 0;
constexpr qsizetype kCommandsAt = 152;
constexpr qsizetype kCommandStride = 252;
constexpr qsizetype kNamesAt = 12248;
constexpr qsizetype kNameStride = 52;
constexpr qsizetype kDescriptionsAt = 14744;
constexpr qsizetype kDescriptionStride = 152;
constexpr qsizetype kMacroDescriptionStride = kDescriptionStride * MacroStore::kDescriptionLines;

} // namespace

const QString MacroStore::kRebuiltMessage = QStringLiteral("Проблема с файлом конфигурации, он будет перезаписан");
const QString MacroStore::kFileName = QStringLiteral("CmdConfig");

MacroStore::MacroStore() : m_image(kFileSize, '\0'), m_fileImage(m_image) {}

int MacroStore::capacity(Field field) {
    switch (field) {
    case Field::ListName:
        return 151;
    case Field::Command:
        return 251;
    case Field::Name:
        return 51;
    case Field::Description:
        return 151;
    }
    return 0;
}

qsizetype MacroStore::slotOffset(Field field, int list, int macro, int line) {
    if (list < 1 || list > kLists || macro < 1 || macro > kMacros || line < 1 || line > kDescriptionLines)
        return -1;
    const qsizetype record = kRecordSize * (list - 1);
    switch (field) {
    case Field::ListName:
        return record + kListNameAt;
    case Field::Command:
        return record + kCommandsAt + kCommandStride * (macro - 1);
    case Field::Name:
        return record + kNamesAt + kNameStride * (macro - 1);
    case Field::Description:
        return record + kDescriptionsAt + kMacroDescriptionStride * (macro - 1) + kDescriptionStride * (line - 1);
    }
    return -1;
}

QByteArray MacroStore::bytes(Field field, int list, int macro, int line) const {
    const qsizetype at = slotOffset(field, list, macro, line);
    if (at < 0)
        return QByteArray();
    const int length = std::min<int>(static_cast<unsigned char>(m_image[at]), capacity(field));
    return QByteArray(m_image.constData() + at + 1, length);
}

QString MacroStore::text(Field field, int list, int macro, int line) const {
    return cp1251::toUnicode(bytes(field, list, macro, line));
}

void MacroStore::storeBytes(Field field, QByteArrayView value, int list, int macro, int line) {
    const qsizetype at = slotOffset(field, list, macro, line);
    if (at < 0)
        return;
    const qsizetype length = std::min<qsizetype>(value.size(), capacity(field));
    // Storing what the slot already holds must not detach the image from the
    // copy of the file.
    const char *held = m_image.constData() + at;
    if (static_cast<unsigned char>(held[0]) == length &&
        (length == 0 || std::memcmp(held + 1, value.data(), length) == 0))
        return;
    char *slot = m_image.data() + at;
    slot[0] = static_cast<char>(length);
    if (length > 0)
        std::memcpy(slot + 1, value.data(), length);
}

void MacroStore::store(Field field, QStringView value, int list, int macro, int line) {
    storeBytes(field, cp1251::fromUnicode(value), list, macro, line);
}

void MacroStore::ClrListCmd(int list) {
    if (list < 1 || list > kLists)
        return;
    storeBytes(Field::ListName, {}, list);
    for (int k = 1; k <= kMacros; ++k) {
        storeBytes(Field::Command, {}, list, k);
        storeBytes(Field::Name, {}, list, k);
        for (int j = 1; j <= kDescriptionLines; ++j)
            storeBytes(Field::Description, {}, list, k, j);
    }
}

void MacroStore::rebuild() {
    for (int n = 1; n <= kLists; ++n) {
        ClrListCmd(n);
        storeBytes(Field::ListName, QByteArray("List ") + QByteArray::number(n), n);
        char *signature = m_image.data() + kRecordSize * (n - 1) + kSignatureOffset;
        qToLittleEndian<qint32>(kSignature, signature);
    }
}

bool MacroStore::LoadCmdConfig(const QString &path) {
    m_rebuilt = false;
    m_error.clear();
    // Never through a link, never waiting on a FIFO: like the other files of
    // the working directory.
    SafeFile opened;
    const bool open = opened.openForReading(path);
    bool bad = !open && opened.missing();
    // An unreadable file is not overwritten: the lists may well be intact.
    // The run goes on with default lists in memory.
    const auto unreadable = [this](const QString &error) {
        m_error = error;
        m_image.fill('\0', kFileSize);
        rebuild();
        m_fileImage = m_image;
        return false;
    };
    if (bad) {
        m_image.fill('\0', kFileSize);
    } else {
        if (!open)
            return unreadable(opened.errorString());
        const int fd = opened.takeDescriptor();
        QFile file;
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return unreadable(file.errorString());
        }
        // Read straight into fresh memory (it is 10 MB, read at every start);
        // whatever the file does not cover is zeroed below.
        m_image = QByteArray(kFileSize, Qt::Uninitialized);
        const qint64 got = file.read(m_image.data(), kFileSize);
        if (got < 0)
            return unreadable(file.errorString());
        file.close();
        // Records are read one by one up to the first one that is missing or
        // carries no signature; that one is the last in memory.
        const int whole = static_cast<int>(got / kRecordSize);
        qsizetype keep = qsizetype(whole) * kRecordSize;
        for (int i = 0; i < whole; ++i) {
            const char *signature = m_image.constData() + kRecordSize * i + kSignatureOffset;
            if (qFromLittleEndian<qint32>(signature) != kSignature) {
                bad = true;
                keep = kRecordSize * (i + 1);
                break;
            }
        }
        bad = bad || whole < kLists;
        // A trailing part of a record is not a record.
        std::memset(m_image.data() + keep, 0, kFileSize - keep);
    }
    if (!bad) {
        m_fileImage = m_image;
        return true;
    }

    m_rebuilt = true;
    rebuild();
    bool ok = keepBadCopy(path);
    const QString keepError = m_error;
    if (!save(path))
        return false;
    m_error = keepError;
    return ok;
}

bool MacroStore::keepBadCopy(const QString &path) {
    if (!QFile::exists(path))
        return true;
    const QString badPath = path + QStringLiteral(".bad");
    QFile::remove(badPath);
    QFile file(path);
    if (!file.rename(badPath)) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

bool MacroStore::save(const QString &path) {
    m_error.clear();
    SafeFile file;
    if (!file.replaceWhole(path, m_image)) {
        m_error = file.errorString();
        return false;
    }
    m_fileImage = m_image;
    return true;
}
