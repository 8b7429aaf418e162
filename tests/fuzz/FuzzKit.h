#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What the fuzz targets share. A broken rule aborts, so that libFuzzer keeps
// the input that broke it.
#define FUZZ_CHECK(condition) ((condition) ? void() : fuzz::failed(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void failed(const char *what, const char *file, int line) {
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, what);
    std::abort();
}

inline QByteArrayView bytes(const uint8_t *data, size_t size) {
    return QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A path in a folder of the run's own, in memory where the system has such a
// folder: saves flush their files to the disk, thousands of times a run.
inline QString scratch(const QString &name) {
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/terminalkvr-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/terminalkvr-fuzz-XXXXXX"));
    if (!folder.isValid())
        failed("a scratch folder", __FILE__, __LINE__);
    return folder.filePath(name);
}

inline bool writeFile(const QString &path, QByteArrayView content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content.data(), content.size()) == content.size();
}

inline QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A Telnet end (client codec or server) fed the stream in pieces of 1 to
// longest bytes cut at random from seed, its outputs put together: a command
// split anywhere must give what the whole stream gives.
template <typename End>
auto receiveInPieces(End &end, QByteArrayView stream, unsigned seed, unsigned longest) {
    decltype(end.receive(stream)) pieces;
    std::minstd_rand cut(seed);
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype length = std::min<qsizetype>(stream.size() - at, 1 + cut() % longest);
        const auto more = end.receive(stream.sliced(at, length));
        pieces.data += more.data;
        pieces.reply += more.reply;
        pieces.events += more.events;
        at += length;
    }
    return pieces;
}

} // namespace fuzz
