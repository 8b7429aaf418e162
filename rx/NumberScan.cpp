#include "rx/NumberScan.h"

#include "core/Cp1251.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace rx {
namespace {

enum class Kind { Word, Number, Skipped };

struct Parsed {
    Kind kind = Kind::Word;
    double value = 0;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Field separators that leave a comma between digits to be a decimal comma.
bool isBlankSeparator(char c) { return c == ' ' || c == '\t' || c == ';'; }

bool startsWithWord(QByteArrayView text, QByteArrayView word) {
    return text.size() >= word.size() && text.first(word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

bool looksLikeNumber(QByteArrayView text) {
    return isDigit(text[0]) || (text[0] == '.' && text.size() > 1 && isDigit(text[1])) || startsWithWord(text, "nan") ||
           startsWithWord(text, "inf");
}

Parsed parseNumber(QByteArrayView field) {
    QByteArrayView digits = field;
    const bool negative = digits.startsWith('-');
    if (negative || digits.startsWith('+'))
        digits = digits.sliced(1);
    if (digits.isEmpty() || !looksLikeNumber(digits))
        return {};
    double value = 0;
    if (startsWithWord(digits, "0x")) {
        quint64 integer = 0;
        const char *end = digits.data() + digits.size();
        const auto [stop, error] = std::from_chars(digits.data() + 2, end, integer, 16);
        if (error != std::errc() || stop != end || digits.size() == 2)
            return {Kind::Skipped};
        value = static_cast<double>(integer);
    } else {
        // The only commas left inside a field are decimal commas; a copy only
        // for those, not for every number of a flood.
        QByteArray pointed;
        if (digits.contains(','))
            digits = pointed = digits.toByteArray().replace(',', '.');
        const char *end = digits.data() + digits.size();
        const auto [stop, error] = std::from_chars(digits.data(), end, value);
        if (error != std::errc() || stop != end || !std::isfinite(value))
            return {Kind::Skipped};
    }
    return {Kind::Number, negative ? -value : value};
}

QList<QByteArrayView> splitFields(QByteArrayView row) {
    const bool decimalComma = std::any_of(row.begin(), row.end(), isBlankSeparator);
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= row.size(); ++i) {
        if (i < row.size()) {
            const char c = row[i];
            const bool betweenDigits = i > 0 && i + 1 < row.size() && isDigit(row[i - 1]) && isDigit(row[i + 1]);
            if (!isBlankSeparator(c) && (c != ',' || (decimalComma && betweenDigits)))
                continue;
        }
        if (i > start)
            fields.append(row.sliced(start, i - start));
        start = i + 1;
    }
    return fields;
}

void scanRow(QByteArrayView row, NumberScan &scan) {
    QList<Reading> readings;
    int place = 0;
    QByteArrayView pendingName;
    for (QByteArrayView field : splitFields(row)) {
        QByteArrayView name = std::exchange(pendingName, {});
        if (const qsizetype colon = field.indexOf(':'); colon > 0) {
            name = field.first(colon);
            field = field.sliced(colon + 1);
            if (field.isEmpty()) {
                pendingName = name;
                continue;
            }
        }
        const Parsed parsed = parseNumber(field);
        if (name.isEmpty() && parsed.kind != Kind::Word)
            ++place;
        if (parsed.kind == Kind::Skipped)
            ++scan.skipped;
        else if (parsed.kind == Kind::Number)
            readings.append({name.isEmpty() ? QString::number(place) : core::cp1251::toUnicode(name), parsed.value});
    }
    if (!readings.isEmpty())
        scan.rows.append(readings);
}

} // namespace

NumberScan scanNumbers(QByteArrayView line) {
    NumberScan scan;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != '\r' && line[i] != '\n')
            continue;
        if (i > start)
            scanRow(line.sliced(start, i - start), scan);
        start = i + 1;
    }
    return scan;
}

} // namespace rx
