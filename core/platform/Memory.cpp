#include "core/platform/Memory.h"

#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace core {

void zeroAndRelease(char *data, qsizetype size) {
    if (size <= 0)
        return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const auto end = begin + static_cast<std::uintptr_t>(size);
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = end / page * page;
    if (first >= last) {
        std::memset(data, 0, size_t(size));
        return;
    }
    std::memset(data, 0, first - begin);
    std::memset(reinterpret_cast<char *>(last), 0, end - last);
    // A private anonymous page given back reads as zeros; where the system
    // refuses, the bytes are zeroed by hand.
    if (madvise(reinterpret_cast<void *>(first), last - first, MADV_DONTNEED) != 0)
        std::memset(reinterpret_cast<char *>(first), 0, last - first);
}

} // namespace core
