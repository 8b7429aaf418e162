#include "rx/NumberScan.h"

#include "core/Cp1251.h"

#include <algorithm>
#include <cctype>
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

constexpr unsigned char kDegreeSign = 0xB0; // in windows-1251

// What puts a name before its value: "temp:21.5", "a=1".
qsizetype nameMark(QByteArrayView field) {
    for (qsizetype i = 0; i < field.size(); ++i)
        if (field[i] == ':' || field[i] == '=')
            return i;
    return -1;
}

bool isLabel(QByteArrayView field) {
    const auto first = static_cast<unsigned char>(field[0]);
    return std::isalpha(first) || first == '_' || first >= 0xC0;
}

// Field separators that leave a comma between digits to be a decimal comma.
bool isBlankSeparator(char c) { return c == ' ' || c == '\t' || c == ';'; }

bool startsWithWord(QByteArrayView text, QByteArrayView word) {
    return text.size() >= word.size() && text.first(word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

// What may follow a number as its unit ("21.5C", "3.3V", "50%", "5mA"):
// a letter, percent or degree sign first, no digit in it. An "e" first is a
// broken exponent ("1e"), not a unit.
bool isUnit(QByteArrayView text) {
    const auto first = static_cast<unsigned char>(text[0]);
    const bool letter = (std::isalpha(first) && first != 'e' && first != 'E') || first >= 0xC0;
    if (!letter && first != '%' && first != kDegreeSign)
        return false;
    return std::none_of(text.begin(), text.end(), isDigit);
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
        if (error != std::errc() || (stop != end && !isUnit(QByteArrayView(stop, end))) || !std::isfinite(value))
            return {Kind::Skipped};
    }
    return {Kind::Number, negative ? -value : value};
}

// The row's fields. Semicolons, and commas where they separate, end a column:
// one with no field in it is an empty field, so that the columns after it
// keep their places ("1;;3"); spaces and tabs only part fields.
QList<QByteArrayView> splitFields(QByteArrayView row) {
    const bool decimalComma = std::any_of(row.begin(), row.end(), isBlankSeparator);
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    bool columnHasField = false;
    for (qsizetype i = 0; i <= row.size(); ++i) {
        bool endsColumn = false;
        if (i < row.size()) {
            const char c = row[i];
            const bool betweenDigits = i > 0 && i + 1 < row.size() && isDigit(row[i - 1]) && isDigit(row[i + 1]);
            endsColumn = c == ';' || (c == ',' && !(decimalComma && betweenDigits));
            if (!endsColumn && c != ' ' && c != '\t')
                continue;
        }
        if (i > start) {
            fields.append(row.sliced(start, i - start));
            columnHasField = true;
        }
        if (endsColumn && !std::exchange(columnHasField, false))
            fields.append(row.sliced(i, 0));
        start = i + 1;
    }
    return fields;
}

void scanRow(QByteArrayView row, const QStringList &columnNames, NumberScan &scan) {
    QList<Reading> readings;
    QStringList labels;
    bool onlyLabels = true;
    int place = 0;
    QByteArrayView pendingName;
    QByteArrayView lastWord; // the field before, when it was a word
    for (QByteArrayView field : splitFields(row)) {
        QByteArrayView name = std::exchange(pendingName, {});
        const QByteArrayView word = std::exchange(lastWord, {});
        if (field.isEmpty()) {
            ++place;
            onlyLabels = false;
            continue;
        }
        if (const qsizetype mark = nameMark(field); mark >= 0) {
            // "temp : 21.5" and "temp :21.5" name the value by the word before.
            name = mark > 0 ? field.first(mark) : word;
            field = field.sliced(mark + 1);
            onlyLabels = false;
            if (field.isEmpty()) {
                pendingName = name;
                continue;
            }
        }
        const Parsed parsed = parseNumber(field);
        if (parsed.kind == Kind::Word && name.isEmpty()) {
            lastWord = field;
            if (isLabel(field))
                labels.append(core::cp1251::toUnicode(field));
        } else {
            onlyLabels = false;
        }
        if (name.isEmpty() && parsed.kind != Kind::Word)
            ++place;
        if (parsed.kind == Kind::Skipped)
            ++scan.skipped;
        else if (parsed.kind == Kind::Number)
            readings.append(
                {name.isEmpty() ? columnNames.value(place - 1, QString::number(place)) : core::cp1251::toUnicode(name),
                 parsed.value});
    }
    if (!readings.isEmpty())
        scan.rows.append(readings);
    if (onlyLabels && labels.size() >= kMinLabels)
        scan.labels = labels;
}

} // namespace

NumberScan scanNumbers(QByteArrayView line, const QStringList &columnNames) {
    NumberScan scan;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != '\r' && line[i] != '\n')
            continue;
        if (i > start)
            scanRow(line.sliced(start, i - start), columnNames, scan);
        start = i + 1;
    }
    return scan;
}

} // namespace rx
