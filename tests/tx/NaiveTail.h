#pragma once

#include "tx/CommandEncoding.h"

// Replaces the leftmost occurrence of each token, in list order, until none is
// left: the plain reading of the tail rules, kept naive on purpose. The oracle
// of the encoding's random test and of its fuzz target.
inline QByteArray naiveConvAddStr(QByteArrayView command, QByteArrayView tail, core::DataMode mode) {
    QByteArray text = tail.toByteArray();
    for (int index = 0; index < int(tx::ChecksumTokens.size()); ++index) {
        const QByteArray value =
            QByteArray::number(tx::CalcCsum(command, index, mode), 16).toUpper().rightJustified(2, '0');
        for (qsizetype at; (at = text.indexOf(tx::ChecksumTokens[index])) >= 0;)
            text.replace(at, tx::ChecksumTokens[index].size(), value);
    }
    return text;
}
