// The plot window on the real terminal: a pseudo-terminal device prints
// numbers, the chart and the CSV export show them; echoes and HEX lines are
// left out.
#include "window/TerminalFixture.h"

#include "ui/dialogs/PlotWindow.h"
#include "ui/window/TForm1.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QValueAxis>

namespace {

const QString kPlotAction = QStringLiteral("График…");

class Plot : public TerminalFixture {
protected:
    ui::PlotWindow &openPlot() {
        start();
        connectPort();
        QApplication::setActiveWindow(&form());
        QTest::keyClick(&form(), Qt::Key_G, Qt::ControlModifier);
        ui::PlotWindow *plot = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets())
            plot = window->objectName() == QStringLiteral("PlotWindow") ? qobject_cast<ui::PlotWindow *>(window) : plot;
        EXPECT_TRUE(plot && plot->isVisible());
        return *plot;
    }

    // Clicks the export button and picks the file in the file dialog.
    void exportTo(ui::PlotWindow &plot, const char *button, const QString &path) {
        onModal = [path](QDialog &dialog, const QString &) {
            if (auto *files = qobject_cast<QFileDialog *>(&dialog)) {
                files->selectFile(path);
                static_cast<QDialog *>(files)->accept();
            }
        };
        QTest::mouseClick(plot.findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
        onModal = nullptr;
    }

    // The chart's series as "name: y y y".
    QStringList shownSeries(ui::PlotWindow &plot) {
        QStringList shown;
        for (QAbstractSeries *series : plot.findChild<QChartView *>(QStringLiteral("PlotChart"))->chart()->series()) {
            QString line = series->name() + ':';
            for (const QPointF &point : static_cast<QLineSeries *>(series)->points())
                line += ' ' + QString::number(point.y());
            shown << line;
        }
        return shown;
    }
};

TEST_F(Plot, NamedValuesFromTheDeviceMakeASeriesEachAndGoToCsvAndPng) {
    ui::PlotWindow &plot = openPlot();
    device().send("a:1 b:2\r\n");
    ASSERT_TRUE(waitUntil([&] { return plot.record().size() == 2; }));
    device().send("a:3 b:-4.5\r\n");
    const QStringList expected{"a: 1 3", "b: 2 -4.5"};
    EXPECT_TRUE(waitUntil([&] { return shownSeries(plot) == expected; }, 5000))
        << shownSeries(plot).join('|').toStdString();

    exportTo(plot, "PlotExportCsv", workDir() + QStringLiteral("/plot.csv"));
    QFile csv(workDir() + QStringLiteral("/plot.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << notices.join('|').toStdString();
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n');
    ASSERT_EQ(lines.size(), 4) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], "time,a,b");
    EXPECT_EQ(lines[1], "0.000,1,2");
    EXPECT_EQ(lines[2].section(',', 1), "3,-4.5");
    EXPECT_GE(lines[2].section(',', 0, 0).toDouble(), 0.0);

    exportTo(plot, "PlotExportPng", workDir() + QStringLiteral("/plot.png"));
    EXPECT_EQ(QImage(workDir() + QStringLiteral("/plot.png")).size(),
              plot.findChild<QChartView *>(QStringLiteral("PlotChart"))->size());
}

TEST_F(Plot, EchoesAndHexLinesArePlottedNeverAndTheLogMenuOffersThePlot) {
    ui::PlotWindow &plot = openPlot();
    typeInto(QStringLiteral("MainStrCmd"), QStringLiteral("a:5"));
    pressKey(QStringLiteral("MainStrCmd"), Qt::Key_Return);
    EXPECT_EQ(device().receive(4), "a:5\r");
    click(QStringLiteral("RBHEX"));
    device().send("a:1\r\n");
    ASSERT_TRUE(waitUntil([&] { return logText().endsWith("61 3A 31 0D 0A"); })) << logText().toStdString();
    auto *status = plot.findChild<QLabel *>(QStringLiteral("PlotStatus"));
    EXPECT_TRUE(waitUntil([&] { return status->text().startsWith(QStringLiteral("Режим HEX")); }));
    click(QStringLiteral("RBASCII"));
    device().send("c:7\r\n");
    ASSERT_TRUE(waitUntil([&] { return plot.record().size() == 1; }));
    EXPECT_EQ(plot.record().seriesNames(), QStringList{"c"});

    // The log's own items, a separator, then the plot and the port for scripts.
    auto *log = find<QAbstractScrollArea>(QStringLiteral("MainWindow"));
    QStringList items;
    QTimer::singleShot(0, [&items] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction *action : menu->actions())
            items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        menu->close();
    });
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5), log->viewport()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(log->viewport(), &request);
    QCoreApplication::processEvents(); // the menu is up
    ASSERT_GE(items.size(), 4);
    EXPECT_EQ(items.mid(items.size() - 4), (QStringList{"-", kPlotAction, QStringLiteral("Отправить файл…"),
                                                        QStringLiteral("Открыть порт для скриптов")}));
}

// A device at a 115200-baud pace: its lines reach the port in 32-byte reads
// cut anywhere, some ended by LF alone; the CSV holds exactly what it printed.
TEST_F(Plot, LinesCutAnywhereByTheDevicesPaceArePlottedExactlyAsPrinted) {
    ui::PlotWindow &plot = openPlot();
    constexpr int kLines = 300;
    QByteArray printed;
    QStringList expected{"time,temp,hum"};
    for (int n = 0; n < kLines; ++n) {
        const QByteArray temp = QByteArray::number(20 + n * 0.25), hum = QByteArray::number(-n);
        printed += "temp:" + temp + " hum:" + hum + (n % 3 == 0 ? "\n" : "\r\n");
        expected << QString::fromLatin1(temp + ',' + hum);
    }
    constexpr int kChunk = 32;
    for (qsizetype at = 0; at < printed.size(); at += kChunk) {
        device().send(printed.mid(at, kChunk));
        processEventsFor(3); // 32 bytes at 11.5 kB/s
    }
    ASSERT_TRUE(waitUntil([&] { return plot.record().size() == 2 * kLines; }, 10000)) << plot.record().size();
    exportTo(plot, "PlotExportCsv", workDir() + QStringLiteral("/paced.csv"));
    QFile csv(workDir() + QStringLiteral("/paced.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i)
        lines[i] = lines[i].section(',', 1);
    EXPECT_EQ(lines, expected);
}

// Values of series past the limit are told of, every series is named.
TEST_F(Plot, SeriesPastTheLimitAreToldOfAndEveryNameIsInTheLegend) {
    ui::PlotWindow &plot = openPlot();
    const int narrowest = plot.minimumSizeHint().width();
    QByteArray line;
    for (int n = 0; n < 40; ++n)
        line += "a_rather_long_series_name_" + QByteArray::number(n) + ":1 ";
    device().send(line + "\n");
    ASSERT_TRUE(waitUntil([&] { return plot.record().seriesNames().size() == 32; }));
    auto *status = plot.findChild<QLabel *>(QStringLiteral("PlotStatus"));
    EXPECT_TRUE(waitUntil([&] { return status->text().contains(QStringLiteral("сверх 32 серий: 8")); }))
        << status->text().toStdString();
    auto *legend = plot.findChild<QListWidget *>(QStringLiteral("PlotLegend"));
    ASSERT_TRUE(waitUntil([&] { return legend->count() == 32; }));
    EXPECT_EQ(legend->item(31)->text(), QStringLiteral("a_rather_long_series_name_31"));
    // A long status does not widen the window.
    EXPECT_EQ(plot.minimumSizeHint().width(), narrowest);
}

// The value axis holds values of any magnitude; a zoom out is undone by
// "Сброс вида" to the automatic fit.
TEST_F(Plot, TheValueAxisFitsAnyMagnitudeAndResetViewReturnsToIt) {
    ui::PlotWindow &plot = openPlot();
    QChart *chart = plot.findChild<QChartView *>(QStringLiteral("PlotChart"))->chart();
    auto *yAxis = qobject_cast<QValueAxis *>(chart->axes(Qt::Vertical).first());
    const QList<std::pair<QByteArray, QByteArray>> table = {
        {"1e-300", "3e-300"}, {"-2e-20", "-1e-20"}, {"-1e308", "1e308"}, {"5", "7"}};
    for (const auto &[low, high] : table) {
        QTest::mouseClick(plot.findChild<QPushButton *>(QStringLiteral("PlotClear")), Qt::LeftButton);
        device().send("v:" + low + "\nv:" + high + "\n");
        ASSERT_TRUE(waitUntil([&] { return plot.record().size() == 2; })) << low.toStdString();
        const auto holds = [&] {
            // Drawn values are divided by the power of ten the axis title names.
            const double scale = yAxis->titleText().isEmpty() ? 1 : yAxis->titleText().mid(2).toDouble();
            return yAxis->min() <= low.toDouble() / scale && yAxis->max() >= high.toDouble() / scale &&
                   yAxis->max() - yAxis->min() <= 4 * (high.toDouble() / scale - low.toDouble() / scale);
        };
        EXPECT_TRUE(waitUntil(holds)) << low.toStdString() << ": " << yAxis->min() << ".." << yAxis->max() << " "
                                      << yAxis->titleText().toStdString();
    }
    const std::pair<double, double> fitted{yAxis->min(), yAxis->max()};
    chart->zoom(0.8);
    ASSERT_NE(yAxis->max(), fitted.second);
    QTest::mouseClick(plot.findChild<QPushButton *>(QStringLiteral("PlotResetView")), Qt::LeftButton);
    EXPECT_EQ(std::make_pair(yAxis->min(), yAxis->max()), fitted);
}

} // namespace
