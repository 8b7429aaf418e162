#pragma once

#include <QString>

namespace core {

// Whether the path names a character device (a serial port is one); false
// for a regular file, a FIFO, a folder or nothing at all.
bool isCharacterDevice(const QString &path);

} // namespace core
