#include "rx/LogDisplayText.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace rx;

namespace {

struct DisplayCase {
    const char *name;
    QByteArray line;
    QString expected;
};

void PrintTo(const DisplayCase &c, std::ostream *os) { *os << c.name; }

const DisplayCase kDisplayed[] = {
    {"crlf_breaks_the_row", "A\r\nB", u"A\nB"_qs},
    {"final_bare_cr_shows_nothing", "OK\r", u"OK"_qs},
    {"lone_lf_shows_nothing", "A\nB\n", u"AB"_qs},
    {"cr_cr_lf_is_one_break", "A\r\r\nB", u"A\nB"_qs},
    {"lf_cr_is_no_break", "A\n\rB", u"AB"_qs},
    {"windows_1251_letters", "\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xA8", u"Привет\nЁ"_qs},
    {"unassigned_and_zero_bytes_kept", QByteArray("\x98\x00\x7F", 3), QString(QChar(0x98)) + QChar(0) + QChar(0x7F)},
    {"empty", "", QString()},
};

class LogDisplayTextCase : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(LogDisplayTextCase, ShowsTheLine) { EXPECT_EQ(logDisplayText(GetParam().line), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Lines, LogDisplayTextCase, ::testing::ValuesIn(kDisplayed),
                         [](const ::testing::TestParamInfo<DisplayCase> &testInfo) {
                             return std::string(testInfo.param.name);
                         });

} // namespace
