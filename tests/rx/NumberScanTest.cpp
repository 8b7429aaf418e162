#include "rx/NumberScan.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace rx;

namespace {

// The readings as "name=value", rows separated by " | ".
std::string shown(const NumberScan &scan) {
    QStringList rows;
    for (const QList<Reading> &row : scan.rows) {
        QStringList readings;
        for (const Reading &reading : row)
            readings << reading.series + '=' + QString::number(reading.value, 'g', QLocale::FloatingPointShortest);
        rows << readings.join(' ');
    }
    return rows.join(QStringLiteral(" | ")).toStdString();
}

struct Case {
    QByteArray line;
    const char *readings;
    int skipped;
};

const Case kCases[] = {
    // Named values and their separators.
    {"temp:21.5 hum:40", "temp=21.5 hum=40", 0},
    {"a:1,b:2;c:3\td:4", "a=1 b=2 c=3 d=4", 0},
    {"temp: 21.5  hum: 40", "temp=21.5 hum=40", 0},
    {"\xD2:5", "\xD0\xA2=5", 0}, // the name in windows-1251
    // Bare numbers by place; words are passed over and take no place.
    {"1 2 3", "1=1 2=2 3=3", 0},
    {"T= 4 ; 5", "T=4 1=5", 0},
    {"OK", "", 0},
    {"a:1 7 b:2 8", "a=1 1=7 b=2 2=8", 0},
    // Forms of a number.
    {"-1.5e-3 +2 .5 5. 1E3", "1=-0.0015 2=2 3=0.5 4=5 5=1000", 0},
    {"0x1F -0x10 0XfF", "1=31 2=-16 3=255", 0},
    // Decimal comma only where other separators split the fields.
    {"1,5 2,25", "1=1.5 2=2.25", 0},
    {"1,5;2,5", "1=1.5 2=2.5", 0},
    {"temp:21,5 hum:40", "temp=21.5 hum=40", 0},
    {"1,5", "1=1 2=5", 0},
    {"1,2,3", "1=1 2=2 3=3", 0},
    {"1, 2, 3", "1=1 2=2 3=3", 0},
    // Malformed, nan and inf: skipped, counted, their place kept.
    {"1 nan 3", "1=1 3=3", 1},
    {"inf -INF NaN a:nan", "", 4},
    {"1.2.3 21.5C 0x 0xG 1e 2", "2=21.5 6=2", 4},
    // Names by "=", a word before a colon, units after the number.
    {"a=1 b = 2", "a=1 b=2", 0},
    {"T=21.5C V=3.3V P=50% t=-4\xB0", "T=21.5 V=3.3 P=50 t=-4", 0},
    {"temp : 21.5 hum :40", "temp=21.5 hum=40", 0},
    {"5mA 10ms 2e 3E 1.5e3V 7x9", "1=5 2=10 5=1500", 3},
    // Empty fields keep the columns after them.
    {"1;;3", "1=1 3=3", 0},
    {";2;3", "2=2 3=3", 0},
    {"1,,3", "1=1 3=3", 0},
    {"1 ; 2", "1=1 2=2", 0},
    {"1;2;", "1=1 2=2", 0},
    {"1e999", "", 1},
    {"12:30:45", "", 1},
    {"status:ok", "", 0},
    // Rows of one line.
    {"a:1\r\na:2\r", "a=1 | a=2", 0},
    {"", "", 0},
    {"\r\n\r", "", 0},
};

TEST(NumberScan, Table) {
    for (const Case &c : kCases) {
        const NumberScan scan = scanNumbers(c.line);
        EXPECT_EQ(shown(scan), QString::fromUtf8(c.readings).toStdString()) << c.line.toStdString();
        EXPECT_EQ(scan.skipped, c.skipped) << c.line.toStdString();
    }
}

// A row of labels only names the bare columns of the rows after it; a word
// alone is no header.
TEST(NumberScan, ALabelRowNamesTheBareColumns) {
    const QList<std::tuple<QByteArray, QStringList, const char *>> table = {
        {"temp hum pres", {"temp", "hum", "pres"}, ""},
        {"OK", {}, ""},
        {"temp hum 3", {}, "1=3"},
        {"a:1 b c", {}, "a=1"},
    };
    for (const auto &[line, labels, readings] : table) {
        const NumberScan scan = scanNumbers(line);
        EXPECT_EQ(scan.labels, labels) << line.toStdString();
        EXPECT_EQ(shown(scan), readings) << line.toStdString();
    }
    const QStringList names = {"temp", "hum"};
    EXPECT_EQ(shown(scanNumbers("21.5 40 7", names)), "temp=21.5 hum=40 3=7");
    EXPECT_EQ(shown(scanNumbers("21.5;;7 x:1", names)), "temp=21.5 3=7 x=1");
}

} // namespace
