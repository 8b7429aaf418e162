#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes as they are on disk; none for a file that cannot be read.
inline QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
