// The log's look against a plain text view set up as the log used to be: both
// in the real window, the same lines, at three widths, two font sizes and two
// colour schemes, at the end and at the top, shot from the screen and
// compared pixel by pixel with ImageMagick (compare -metric AE); and the log
// followed line by line against the same painted whole.
#include "Benches.h"

#include "BenchMeasures.h"
#include "kit/ConnectedWindow.h"
#include "rx/LogDisplayText.h"
#include "ui/widgets/LogPane.h"
#include "ui/window/TForm1.h"

#include <QAbstractButton>
#include <QDir>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>

#include <cstdio>

namespace {

QList<QByteArray> sampleLines() {
    QList<QByteArray> lines;
    for (int n = 0; n < 30; ++n)
        lines << " [ 14:03:07:" + QByteArray::number(100 + n) + " < ] OK " + QByteArray::number(n);
    lines << QByteArray("A\0B\r\nsecond row", 16).replace('\0', "<NULL>") << "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!"
          << QByteArray(300, 'W') << QByteArray("The quick brown fox jumps over the lazy dog. ").repeated(8)
          << QByteArray("4F 4B 0D ").repeated(200).chopped(1) << "A\tB\tC";
    for (int n = 0; n < 5; ++n)
        lines << QByteArray("last lines ") + QByteArray::number(n);
    return lines;
}

// The frame and field of a log view on the screen, showing the end or the
// top.
QImage shoot(QAbstractScrollArea &view, bool atEnd, bool paintWhole = true) {
    view.raise();
    runEventLoopFor(200); // a plain text view lays its rows out when painting
    view.verticalScrollBar()->setValue(atEnd ? view.verticalScrollBar()->maximum() : 0);
    runEventLoopFor(200);
    // Painted whole: a plain text view scrolls what it showed by whole
    // pixels, so that rows of a fractional height land a pixel off.
    if (paintWhole)
        view.viewport()->update();
    runEventLoopFor(200);
    const QPoint at = view.mapTo(view.window(), QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(view.window()->winId(), at.x(), at.y(), view.width(), view.height())
        .toImage();
}

QString compareImages(const QString &a, const QString &b, const QString &difference) {
    QProcess compare;
    compare.start(QStringLiteral("compare"), {QStringLiteral("-metric"), QStringLiteral("AE"), a, b, difference});
    compare.waitForFinished(30000);
    return QString::fromLocal8Bit(compare.readAllStandardError()).trimmed();
}

} // namespace

void runLooksBench(const QString &folder) {
    ConnectedWindow window;
    if (!window.open()) {
        std::printf("looks: no window\n");
        return;
    }
    QDir().mkpath(folder);
    ui::LogPane &pane = *window.log();
    auto *colours = window.find<QAbstractButton>(QStringLiteral("BTPalitra"));
    std::printf("looks: the log beside a plain text view on \"%s\"; pixels that differ (compare -metric AE), "
                "shots in %s\n",
                qPrintable(QGuiApplication::platformName()), qPrintable(folder));
    // Two steps of the colour cycle (the start colours are the window's,
    // which tools/screenshots.sh shows whole).
    int clicked = 0;
    for (const int scheme : {1, 4}) {
        for (; clicked < scheme; ++clicked)
            colours->click();
        for (const int widthChange : {0, 200, -100}) {
            window.form().resize(952 + widthChange, 770);
            for (const int points : {8, 12}) {
                QFont font = pane.font();
                font.setPointSize(points);
                pane.setFont(font);
                // The log as it used to be: a read-only plain text view in
                // its place, filled as the log is.
                QPlainTextEdit old(pane.parentWidget());
                old.setReadOnly(true);
                old.setUndoRedoEnabled(false);
                old.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                old.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                old.setLineWrapMode(QPlainTextEdit::WidgetWidth);
                old.setFont(font);
                // Each takes the colours the window gave the log's frame
                // and field.
                old.setPalette(pane.palette());
                QPalette field = old.viewport()->palette();
                field.setColor(QPalette::Base, pane.viewport()->palette().color(QPalette::Base));
                old.viewport()->setPalette(field);
                old.setGeometry(pane.geometry());
                old.show();
                pane.clear();
                runEventLoopFor(100);
                for (const QByteArray &line : sampleLines()) {
                    pane.append(rx::logDisplayText(line));
                    old.appendPlainText(rx::logDisplayText(line));
                }
                for (const bool atEnd : {true, false}) {
                    const QString name = QStringLiteral("%1/log-scheme%2-w%3-%4pt-%5")
                                             .arg(folder)
                                             .arg(scheme)
                                             .arg(952 + widthChange)
                                             .arg(points)
                                             .arg(atEnd ? QStringLiteral("end") : QStringLiteral("top"));
                    shoot(old, atEnd).save(name + QStringLiteral("-before.png"));
                    shoot(pane, atEnd).save(name + QStringLiteral("-after.png"));
                    std::printf("looks: scheme %d, width %d, %d pt, %s: %s pixels differ\n", scheme, 952 + widthChange,
                                points, atEnd ? "end" : "top",
                                qPrintable(compareImages(name + QStringLiteral("-before.png"),
                                                         name + QStringLiteral("-after.png"),
                                                         name + QStringLiteral("-diff.png"))));
                    std::fflush(stdout);
                }
                // Lines coming in one by one while the end is followed:
                // the rows moved up and the new ones painted below them
                // give what a paint of the whole field gives.
                pane.raise();
                for (const QByteArray &line : sampleLines()) {
                    pane.append(rx::logDisplayText(line));
                    runEventLoopFor(25);
                }
                const QString name = QStringLiteral("%1/log-scheme%2-w%3-%4pt-streamed")
                                         .arg(folder)
                                         .arg(scheme)
                                         .arg(952 + widthChange)
                                         .arg(points);
                shoot(pane, true, false).save(name + QStringLiteral("-before.png"));
                shoot(pane, true).save(name + QStringLiteral("-after.png"));
                std::printf(
                    "looks: scheme %d, width %d, %d pt, streamed against painted whole: %s pixels differ\n", scheme,
                    952 + widthChange, points,
                    qPrintable(compareImages(name + QStringLiteral("-before.png"), name + QStringLiteral("-after.png"),
                                             name + QStringLiteral("-diff.png"))));
            }
        }
    }
}
