#pragma once

#include <QByteArray>
#include <QString>

// Opening the program's files in the working directory without being led
// elsewhere: a symbolic link, a FIFO or a device named like one of them is
// never followed, written through or waited on, and is reported instead.
// Each function returns a descriptor or -1 with the reason in *error.
namespace safefile {

// What lies under a name, the name itself looked at (links not followed).
enum class Kind { Missing, Regular, Other };
Kind kindOf(const QString &name);

// The report for a name that is not a regular file.
QString notRegularText(const QString &name);

// Opens an existing regular file for reading without blocking (a FIFO must
// not hang the program). errno is ENOENT after a failure when the name does
// not exist.
int openForReading(const QString &name, QString *error);

// Creates the file empty for writing. A regular file of that name is
// replaced; anything else there is refused.
int createForWriting(const QString &name, QString *error);

// Writes the bytes to a temporary file in the same directory and renames it
// over the name: the file is whole at every moment, and a link of that name
// is replaced rather than written through.
bool replaceWhole(const QString &name, const QByteArray &bytes, QString *error);

// The system's text for errno's current value.
QString systemError();

} // namespace safefile
