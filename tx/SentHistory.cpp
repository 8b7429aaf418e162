#include "tx/SentHistory.h"

#include "core/platform/FileLock.h"
#include "core/platform/SafeFile.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <cstring>

namespace tx {

bool SentHistory::fail(const QString &error) {
    m_error = error;
    return false;
}

namespace {

// The file's bytes, cut or padded to the 50 records that count.
bool readAll(const QString &fileName, QByteArray &bytes, core::SafeFile &opened, QString &error) {
    QFile file;
    if (!opened.openForReading(fileName) || !opened.handTo(file)) {
        error = opened.errorString();
        return false;
    }
    constexpr qsizetype size = SentHistory::kEntries * SentHistory::kRecordSize;
    bytes = file.read(size);
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    bytes.append(QByteArray(size - bytes.size(), '\0'));
    return true;
}

} // namespace

bool SentHistory::loadOrCreate(const QString &fileName) {
    core::FileLock lock;
    const bool locked = lock.lock(fileName);
    if (locked)
        core::SafeFile::removeStaleTemporaries(fileName);
    core::SafeFile opened;
    QByteArray bytes;
    m_sentHere = {};
    if (!readAll(fileName, bytes, opened, m_error)) {
        if (!opened.missing())
            return false;
        core::SafeFile created;
        if (!created.replaceWhole(fileName, imageBytes()))
            return fail(created.errorString());
        m_fileImage = imageBytes();
    } else {
        std::memcpy(m_records.data(), bytes.constData(), bytes.size());
        m_fileImage = bytes;
    }
    return !locked || takeInAside(fileName);
}

bool SentHistory::takeInAside(const QString &fileName) {
    const QStringList aside = core::SafeFile::asideFiles(fileName);
    if (aside.isEmpty())
        return true;
    // Oldest first, each file's oldest command first: the newest ends up in
    // front.
    for (const QString &path : aside) {
        core::SafeFile opened;
        QByteArray bytes;
        QString error;
        if (!readAll(path, bytes, opened, error))
            continue;
        for (int k = kEntries - 1; k >= 0; --k) {
            Record record;
            std::memcpy(record.data(), bytes.constData() + k * kRecordSize, kRecordSize);
            add(textOf(record));
        }
    }
    m_sentHere = {};
    core::SafeFile file;
    if (!file.replaceWhole(fileName, imageBytes()))
        return fail(file.errorString());
    m_fileImage = imageBytes();
    for (const QString &path : aside)
        QFile::remove(path);
    return true;
}

bool SentHistory::saveIfPresent(const QString &fileName, int waitMs, const core::FileLock::Waiting &waiting) {
    core::FileLock lock;
    if (!lock.lock(fileName, waitMs, waiting))
        return lock.busy() ? keepAside(fileName, lock.errorString()) : fail(lock.errorString());
    switch (core::SafeFile::kindOf(fileName)) {
    case core::SafeFile::Kind::Missing:
        return true;
    case core::SafeFile::Kind::Other:
        return fail(core::SafeFile::notRegularText(fileName));
    case core::SafeFile::Kind::Regular:
        break;
    }
    core::SafeFile opened;
    QByteArray onDisk;
    if (!readAll(fileName, onDisk, opened, m_error))
        return false;
    // Unless another window wrote the file meanwhile, the records go out
    // byte for byte as they stand.
    if (onDisk != m_fileImage)
        mergeWith(onDisk);
    core::SafeFile file;
    if (!file.replaceWhole(fileName, imageBytes()))
        return fail(file.errorString());
    m_fileImage = imageBytes();
    return true;
}

bool SentHistory::keepAside(const QString &fileName, const QString &why) {
    std::array<Record, kEntries> sent{};
    int count = 0;
    for (int k = 0; k < kEntries; ++k) {
        if (m_sentHere[k] && m_records[k][0] != 0)
            sent[count++] = m_records[k];
    }
    if (count == 0)
        return true; // nothing of this session's to lose
    const QString aside = core::SafeFile::asideName(fileName);
    core::SafeFile file;
    if (!file.replaceWhole(aside, QByteArray(reinterpret_cast<const char *>(sent.data()), sizeof sent)))
        return fail(why + QLatin1Char('\n') + file.errorString());
    return fail(
        why +
        QStringLiteral("\nКоманды этого сеанса сохранены в %1 и войдут в историю при следующем запуске.").arg(aside));
}

void SentHistory::mergeWith(const QByteArray &onDisk) {
    std::array<Record, kEntries> merged{};
    std::array<bool, kEntries> sentHere{};
    QSet<QByteArray> taken;
    int count = 0;
    const auto append = [&](const Record &record, bool here) {
        const QByteArray text = textOf(record);
        if (count == kEntries || text.isEmpty() || taken.contains(text))
            return;
        taken.insert(text);
        sentHere[count] = here;
        merged[count++] = record;
    };
    for (int k = 0; k < kEntries; ++k) {
        if (m_sentHere[k])
            append(m_records[k], true);
    }
    for (int k = 0; k < kEntries; ++k) {
        Record record;
        std::memcpy(record.data(), onDisk.constData() + k * kRecordSize, kRecordSize);
        append(record, false);
    }
    m_records = merged;
    m_sentHere = sentHere;
}

QByteArray SentHistory::imageBytes() const {
    return QByteArray(reinterpret_cast<const char *>(m_records.data()), sizeof m_records);
}

QByteArray SentHistory::textOf(const Record &record) const {
    const auto length = static_cast<unsigned char>(record[0]);
    return QByteArray(record.data() + 1, length);
}

void SentHistory::add(QByteArrayView command) {
    if (command.isEmpty() || command.size() > kMaxCommandLength)
        return;
    int match = kEntries - 1;
    for (int k = kEntries - 1; k >= 0; --k) {
        if (textOf(m_records[k]) == command) {
            match = k;
            break;
        }
    }
    for (int k = match; k > 0; --k) {
        m_records[k] = m_records[k - 1];
        m_sentHere[k] = m_sentHere[k - 1];
    }
    m_sentHere[0] = true;
    Record &front = m_records[0];
    front[0] = static_cast<char>(command.size());
    std::memcpy(front.data() + 1, command.data(), command.size());
}

QList<QByteArray> SentHistory::texts() const {
    QList<QByteArray> out;
    for (const Record &record : m_records) {
        if (record[0] != 0)
            out.append(textOf(record));
    }
    return out;
}

} // namespace tx
