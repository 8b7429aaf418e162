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
    {"T= 4 ; 5", "1=4 2=5", 0},
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
    {"1.2.3 21.5C 0x 0xG 1e 2", "6=2", 5},
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

} // namespace
