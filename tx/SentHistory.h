#pragma once

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
    // file operation fails, with the reason in errorString(). A link, a FIFO
    // or anything else not a regular file is neither followed nor waited on:
    // it is reported and the history stays empty.
    bool loadOrCreate(const QString &fileName);

    // Rewrites the file only while it still exists (a file deleted during the
    // run is not recreated), and only a regular file: whole, through a
    // temporary file renamed over it.
    bool saveIfPresent(const QString &fileName);

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

    bool fail(const QString &error);

    std::array<Record, kEntries> m_records{};
    QString m_error;
};

} // namespace tx
