#include "rx/LogTimeStamp.h"

#include <gtest/gtest.h>

using namespace rx;

namespace {

TEST(LogTimeStamp, ReceivedLineStamp) {
    EXPECT_EQ(timeStampPrefix(QTime(14, 3, 7, 512), kReceivedMark), QByteArray(" [ 14:03:07:512 < ] "));
}

TEST(LogTimeStamp, SentLineStamp) {
    EXPECT_EQ(timeStampPrefix(QTime(9, 5, 1, 40), kSentMark), QByteArray(" [ 09:05:01:040 > ] "));
}

TEST(LogTimeStamp, PadsEveryFieldWithZeros) {
    EXPECT_EQ(timeStampPrefix(QTime(0, 0, 0, 0), kReceivedMark), QByteArray(" [ 00:00:00:000 < ] "));
    EXPECT_EQ(timeStampPrefix(QTime(23, 59, 59, 999), kSentMark), QByteArray(" [ 23:59:59:999 > ] "));
}

} // namespace
