#pragma once

#include "core/platform/FileLock.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

namespace tx {

// The last 50 distinct commands sent, newest first, as the exact image of the
// file that keeps them across runs: 50 records of 256 bytes, each a length
// byte followed by 255 character bytes.
class SentHistory {
public:
    static constexpr int kEntries = 50;
    static constexpr int kRecordSize = 256;
    static constexpr int kMaxCommandLength = 254;

    // Reads the 50 records of an existing file (missing records count as
    // empty entries) or creates the file with 50 empty records. False when a
    // file operation fails, with the reason in errorString(). A FIFO or
    // anything else not a regular file is never waited on, nor anyone else's
    // link followed: it is reported and the history stays empty. Temporary
    // files left by a save that was killed are removed, and the commands a
    // program ending left aside (see saveIfPresent()) are merged in first.
    bool loadOrCreate(const QString &fileName);

    // Rewrites the file only while it still exists (a file deleted during the
    // run is not recreated), and only a regular file: whole, through a
    // temporary file renamed over it. Under a FileLock, the file as it is on
    // disk now is read again: when another window wrote it meanwhile, the
    // commands sent in this session come first (newest first), then the
    // file's, without duplicates, 50 at most; that list is the history from
    // then on. The lock is waited for as FileLock::lock() does (waitMs,
    // waiting). When someone else holds it past that, the commands sent in
    // this session are not dropped: they go to a file of their own,
    // SafeFile::asideName(), which the next load merges in; the result is
    // still false, errorString() saying where they went.
    bool saveIfPresent(const QString &fileName, int waitMs = -1, const core::FileLock::Waiting &waiting = {});

    QString errorString() const { return m_error; }

    // A sent command moves to the front; a new one pushes the oldest out.
    // Commands longer than kMaxCommandLength are not remembered.
    void add(QByteArrayView command);

    // The non-empty entries, newest first.
    QList<QByteArray> texts() const;

private:
    using Record = std::array<char, kRecordSize>;
    QByteArray textOf(const Record &record) const;
    QByteArray imageBytes() const;
    void mergeWith(const QByteArray &onDisk);
    bool keepAside(const QString &fileName, const QString &why);
    // Merges in what programs ending left aside; under the folder's lock.
    bool takeInAside(const QString &fileName);

    bool fail(const QString &error);

    std::array<Record, kEntries> m_records{};
    // Which entries were sent in this session; they move with their records.
    std::array<bool, kEntries> m_sentHere{};
    // The file as this object last read or wrote it.
    QByteArray m_fileImage;
    QString m_error;
};

} // namespace tx
