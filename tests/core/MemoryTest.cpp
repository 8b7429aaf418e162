#include "core/platform/Memory.h"

#include <QByteArray>
#include <gtest/gtest.h>

// Zeroed bytes read as zeros whether their pages were given back or not, and
// nothing around them changes; a page written again keeps what was written.
TEST(Memory, ZeroAndReleaseZeroesExactlyTheRangeAndPagesStayWritable) {
    constexpr qsizetype kPage = 4096;
    const struct {
        const char *what;
        qsizetype from, size;
    } cases[] = {
        {"nothing", 100, 0},
        {"inside one page", 10, 100},
        {"across one page boundary", kPage - 5, 10},
        {"whole pages and ragged ends", 7, 5 * kPage + 3},
        {"the whole buffer", 0, 8 * kPage},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray buffer(8 * kPage, char(0xAA));
        core::zeroAndRelease(buffer.data() + c.from, c.size);
        for (qsizetype i = 0; i < buffer.size(); ++i) {
            const bool inside = i >= c.from && i < c.from + c.size;
            ASSERT_EQ(buffer[i], inside ? '\0' : char(0xAA)) << "at " << i;
        }
        buffer[c.from] = 'x';
        buffer[buffer.size() - 1] = 'y';
        EXPECT_EQ(buffer[c.from], 'x');
        EXPECT_EQ(buffer[buffer.size() - 1], 'y');
    }
}
