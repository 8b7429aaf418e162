#pragma once

#include <QIODevice>
#include <QString>

class QFile;

namespace core {

// The system calls on an open descriptor that the layers above need, so that
// none of them includes a system header. Every call reports the cause as an
// errno value (0: none), which errnoText() turns into the system's words.

// The system's text for an errno value.
QString errnoText(int cause);

// Hands the descriptor to the QFile, which closes it when done; when Qt
// refuses it, it is closed here and the file's errorString() says why.
bool adoptDescriptor(QFile &file, int fd, QIODevice::OpenMode mode);

void closeDescriptor(int fd);

// Whether the file open on the descriptor has lost its last name.
bool isUnlinked(int fd);

// The descriptor of the program's standard input.
constexpr int kStandardInput = 0;

// One read of at most size bytes: what is there (a pipe or a terminal gives
// what has come, waiting only while nothing has), 0 at the end, -1 with
// cause set when the system refuses.
qint64 readSome(int fd, char *data, qint64 size, int &cause);

// Writes all size bytes unless the system refuses; returns how many went out
// and sets cause (ENOSPC when the system took none without saying why).
qint64 writeAll(int fd, const char *data, qint64 size, int &cause);

// Cuts the file to length bytes and writes on from there; the cause of a
// failed cut, or 0.
int truncateAt(int fd, qint64 length);

// Renames from over to, replacing whatever has that name; the cause of a
// failure, or 0.
int renameReplacing(const QString &from, const QString &to);

} // namespace core
