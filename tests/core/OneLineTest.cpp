#include "core/OneLine.h"

#include <gtest/gtest.h>

TEST(OneLine, LineBreaksBecomeBlanksAndTheEndingOnesGo) {
    const struct {
        const char *pasted, *kept;
    } cases[] = {
        {"AT+CSQ", "AT+CSQ"}, {"AT\nZ", "AT Z"},      {"AT\r\nZ", "AT Z"}, {"AT\rZ", "AT Z"},
        {"A\n\nB", "A  B"},   {"A\r\n\r\nB", "A  B"}, {"AT\r\n", "AT"},    {"AT\n\n", "AT"},
        {"\nAT", " AT"},      {"AT \n", "AT "},       {"\r\n", ""},        {"A\n\rB", "A  B"},
    };
    for (const auto &c : cases) {
        const QString pasted = QString::fromLatin1(c.pasted);
        EXPECT_EQ(core::toOneLine(pasted), QString::fromLatin1(c.kept)) << c.pasted;
        EXPECT_EQ(core::hasLineBreak(pasted), pasted != QLatin1String(c.kept)) << c.pasted;
    }
}
