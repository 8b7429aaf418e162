#pragma once

#include <QtGlobal>

namespace core {

// Zeroes size bytes at data, handing the whole pages among them back to the
// system: they read as zeros and take no memory until written again. The
// macro store's image is 10 MB of mostly empty records; only the pages that
// hold a text need to be resident.
void zeroAndRelease(char *data, qsizetype size);

} // namespace core
