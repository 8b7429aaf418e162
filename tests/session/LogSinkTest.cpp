// The log lines and the file a script names: what is shown is what is
// recorded, byte for byte; a file left by an earlier run is replaced, a
// link is never written through.
#include "session/LogSink.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray contentOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

TEST(LogSink, RecordsToTheNamedFileWhatItShowsAndNeverThroughALink) {
    enum class Before { Nothing, OldLog, Link };
    const struct {
        const char *name;
        Before before;
        bool created;
    } cases[] = {
        {"a new file", Before::Nothing, true},
        {"an earlier run's log", Before::OldLog, true},
        {"a link", Before::Link, false},
    };
    for (const auto &c : cases) {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath("run.txt");
        const QString target = QDir(dir.path()).filePath("target.txt");
        if (c.before == Before::OldLog) {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old\r\n") == 5) << c.name;
        }
        if (c.before == Before::Link) {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("mine") == 4) << c.name;
            file.close();
            ASSERT_TRUE(QFile::link(target, path)) << c.name;
        }
        session::LogSink sink;
        QList<QByteArray> shown;
        QObject::connect(&sink, &session::LogSink::line, [&](const QByteArray &line, auto) { shown << line; });
        sink.setFilter(QStringLiteral("O"));
        ASSERT_EQ(sink.recordTo(path), c.created) << c.name;
        sink.putLine("AT\r", session::Direction::Sent);
        sink.putLine("OK\r", session::Direction::Received);
        sink.putLine("ERROR\r", session::Direction::Received);
        EXPECT_EQ(shown, (QList<QByteArray>{"OK\r", "ERROR\r"})) << c.name;
        EXPECT_TRUE(sink.close()) << c.name;
        if (c.created)
            EXPECT_EQ(contentOf(path), "OK\r\r\nERROR\r\r\n") << c.name;
        else
            EXPECT_EQ(contentOf(target), "mine") << c.name << ": not written through";
    }
}
