#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace rx {

// One value found in a received line and the series it belongs to.
struct Reading {
    QString series;
    double value = 0;
    bool operator==(const Reading &) const = default;
};

struct NumberScan {
    // One list per row of the line that held at least one value.
    QList<QList<Reading>> rows;
    // Number-like fields that are no finite number: malformed, nan, inf.
    int skipped = 0;
    // The labels of a row of labels only ("temp hum pres"), when there was
    // one: the names of the bare columns of the rows after it.
    QStringList labels;
};

// Fewer labels than this in a row are a device's word ("OK", "Ready"), no
// header.
constexpr int kMinLabels = 2;

// Finds the numbers in the text of a received line (windows-1251 bytes).
// Carriage return and line feed end a row; within a row, fields are
// separated by spaces, tabs, semicolons and commas.
// - "name:value" and "name=value" give the series `name`; "name:" followed
//   by a field takes that field as its value ("temp: 21.5"), and so does a
//   word followed by ":" ("temp : 21.5").
// - A bare number is series "1", "2", ... by its place among the row's bare
//   numbers, or the name of that column in `columnNames`; a malformed one
//   keeps its place, and so does an empty field between semicolons or
//   separating commas ("1;;3"), so columns stay put.
// - Numbers: optional sign, decimal point or decimal comma, exponent
//   ("-1.5e-3"), or an integer in hex after "0x"; a unit may follow
//   ("21.5C", "3.3V", "50%": a letter, % or degree sign first, no digits).
// - A field that does not start like a number (a word, "OK") is no reading
//   and not counted; one that does but is not a finite number ("1.2.3",
//   "1e", "nan", "-inf", "0x") is skipped and counted.
// Decimal comma: a comma between two digits is a decimal comma only when the
// row also has a space, tab or semicolon between its fields; otherwise every
// comma separates. Devices that print a decimal comma separate their values
// by something else (that is why CSV uses semicolons where the comma is
// decimal), while "1,2,3" from a device is nearly always three values.
NumberScan scanNumbers(QByteArrayView line, const QStringList &columnNames = {});

} // namespace rx
