#include "ui/dialogs/PlotWindow.h"

#include "ui/dialogs/ModalSeam.h"
#include "ui/dialogs/OwnedWindow.h"

#include "rx/AxisFit.h"

#include <QAction>
#include <QBoxLayout>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ui {

namespace {

// Spans of the rolling window at start, per axis.
constexpr int kDefaultSeconds = 10;
constexpr int kDefaultRows = 1000;
constexpr double kWheelZoom = 1.25;
// The chart follows a fast device at most this often: smooth enough to
// watch, and drawing it is what a plot costs the most.
constexpr int kRedrawMs = 100;
// Plot area pixels per slice of the x range that keeps its lowest and highest
// point: about a point per pixel, and no more for the chart to stroke.
constexpr int kPixelsPerSlice = 3;
// Steps per span in which the rolling window moves on.
constexpr int kWindowSteps = 20;
// Rows of series names the legend shows before it scrolls.
constexpr int kLegendRows = 3;

// Colours that stay apart from each other on white, in the order series come.
const QColor kSeriesColours[] = {{31, 119, 180}, {255, 127, 14},  {44, 160, 44},   {214, 39, 40},  {148, 103, 189},
                                 {140, 86, 75},  {227, 119, 194}, {127, 127, 127}, {188, 189, 34}, {23, 190, 207}};

// The chart view with zoom by the wheel as well as by the rubber band.
class ZoomingChartView : public QChartView {
public:
    using QChartView::QChartView;

protected:
    void wheelEvent(QWheelEvent *event) override {
        const int steps = event->angleDelta().y();
        if (steps != 0)
            chart()->zoom(steps > 0 ? kWheelZoom : 1 / kWheelZoom);
        event->accept();
    }
};

QList<QPointF> scaled(QList<QPointF> points, double scale) {
    for (QPointF &point : points)
        point.setY(point.y() / scale);
    return points;
}

QPushButton *button(const QString &caption, const QString &name, QBoxLayout *row) {
    auto *button = new QPushButton(caption);
    button->setObjectName(name);
    row->addWidget(button);
    return button;
}

template <typename Widget>
Widget *control(const QString &name, const QString &caption, QBoxLayout *row) {
    if (!caption.isEmpty())
        row->addWidget(new QLabel(caption));
    auto *widget = new Widget;
    widget->setObjectName(name);
    row->addWidget(widget);
    return widget;
}

} // namespace

PlotWindow::PlotWindow(std::function<core::DataMode()> dataMode, QWidget *owner)
    : m_owner(owner), m_dataMode(std::move(dataMode)), m_openAction(new QAction(this)) {
    setObjectName(QStringLiteral("PlotWindow"));
    setWindowTitle(QStringLiteral("График"));
    // The main window closes it; it never keeps the program running alone.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_openAction->setObjectName(QStringLiteral("OpenPlot"));
    m_openAction->setText(QStringLiteral("График…"));
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(m_openAction, &QAction::triggered, this, &PlotWindow::openOverOwner);
    resize(900, 560);
    m_clock.start();
}

PlotWindow::~PlotWindow() = default;

void PlotWindow::setVisible(bool visible) {
    if (visible)
        createChart();
    QWidget::setVisible(visible);
}

// The first chart costs the main window's start noticeably, and the window
// may never be opened: its content is made when it is first shown.
void PlotWindow::createChart() {
    if (m_chart)
        return;
    m_chart = new QChart;
    m_chartView = new ZoomingChartView(m_chart);
    m_xAxis = new QValueAxis(this);
    m_yAxis = new QValueAxis(this);
    m_chart->addAxis(m_xAxis, Qt::AlignBottom);
    m_chart->addAxis(m_yAxis, Qt::AlignLeft);
    // The chart's own legend cuts long names and drops names past what fits
    // in a row: the window's own wraps every name whole and scrolls.
    m_chart->legend()->hide();
    m_chartView->setObjectName(QStringLiteral("PlotChart"));
    m_chartView->setRubberBand(QChartView::RectangleRubberBand);
    connect(m_xAxis, &QValueAxis::rangeChanged, this, &PlotWindow::userZoomed);
    connect(m_yAxis, &QValueAxis::rangeChanged, this, &PlotWindow::userZoomed);
    // A new size of the plot area wants the points thinned anew.
    connect(m_chart, &QChart::plotAreaChanged, this, [this] {
        m_reshaped = true;
        m_frame.request();
    });

    // The view's settings above the chart; what is in the record and what to
    // do with it below.
    auto *layout = new QVBoxLayout(this);
    auto *settings = new QHBoxLayout;
    auto *actions = new QHBoxLayout;
    layout->addLayout(settings);
    m_legend = new QListWidget;
    m_legend->setObjectName(QStringLiteral("PlotLegend"));
    m_legend->setFlow(QListView::LeftToRight);
    m_legend->setWrapping(true);
    m_legend->setResizeMode(QListView::Adjust);
    m_legend->setSelectionMode(QAbstractItemView::NoSelection);
    m_legend->setFixedHeight(kLegendRows * (fontMetrics().height() + 6) + 2 * m_legend->frameWidth());
    // A click on a name hides its series or shows it again.
    connect(m_legend, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        const int index = m_legend->row(item);
        if (index < 0 || index >= int(m_series.size()))
            return;
        m_series[size_t(index)]->setVisible(item->checkState() == Qt::Checked);
        if (!m_zoomed) {
            m_refit = true;
            redraw();
        }
    });
    layout->addWidget(m_legend);
    layout->addWidget(m_chartView, 1);
    layout->addLayout(actions);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("PlotStatus"));
    // A longer status is cut, never widens the window off the screen.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    actions->addWidget(m_status, 1);
    createSettings(settings);
    createActions(actions);
    axisChosen();
}

void PlotWindow::createSettings(QBoxLayout *settings) {
    m_xChoice = control<QComboBox>(QStringLiteral("PlotXAxis"), QStringLiteral("Ось X:"), settings);
    m_xChoice->addItems({QStringLiteral("время, с"), QStringLiteral("номер строки")});
    m_span = control<QSpinBox>(QStringLiteral("PlotSpan"), QStringLiteral("Окно:"), settings);
    m_span->setRange(1, 100'000'000);
    m_fixedY = control<QCheckBox>(QStringLiteral("PlotFixedY"), {}, settings);
    m_fixedY->setText(QStringLiteral("Y от"));
    m_yFrom = control<QDoubleSpinBox>(QStringLiteral("PlotYFrom"), {}, settings);
    m_yTo = control<QDoubleSpinBox>(QStringLiteral("PlotYTo"), QStringLiteral("до"), settings);
    for (QDoubleSpinBox *limit : {m_yFrom, m_yTo}) {
        limit->setRange(-1e9, 1e9);
        limit->setDecimals(3);
    }
    m_yTo->setValue(100);
    m_capacity = control<QSpinBox>(QStringLiteral("PlotCapacity"), QStringLiteral("Хранить точек:"), settings);
    m_capacity->setRange(1000, 100'000'000);
    m_capacity->setSingleStep(100'000);
    m_capacity->setGroupSeparatorShown(true);
    m_capacity->setValue(rx::PlotRecord::kDefaultCapacity);
    settings->addStretch();
    connect(m_xChoice, &QComboBox::currentIndexChanged, this, &PlotWindow::axisChosen);
    connect(m_span, &QSpinBox::valueChanged, this, &PlotWindow::resetView);
    connect(m_fixedY, &QCheckBox::toggled, this, &PlotWindow::resetView);
    connect(m_yFrom, &QDoubleSpinBox::valueChanged, this, &PlotWindow::resetView);
    connect(m_yTo, &QDoubleSpinBox::valueChanged, this, &PlotWindow::resetView);
    connect(m_capacity, &QSpinBox::valueChanged, this, [this](int points) {
        m_record.setCapacity(points);
        m_frame.request();
    });
}

void PlotWindow::createActions(QBoxLayout *actions) {
    m_pause = button(QStringLiteral("Пауза"), QStringLiteral("PlotPause"), actions);
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, [this] { m_frame.request(); });
    const auto add = [this, actions](const QString &caption, const char *name, void (PlotWindow::*slot)()) {
        connect(button(caption, QLatin1String(name), actions), &QPushButton::clicked, this, slot);
    };
    add(QStringLiteral("Сброс вида"), "PlotResetView", &PlotWindow::resetView);
    add(QStringLiteral("Очистить"), "PlotClear", &PlotWindow::clearRecord);
    add(QStringLiteral("CSV…"), "PlotExportCsv", &PlotWindow::exportCsv);
    add(QStringLiteral("PNG…"), "PlotExportPng", &PlotWindow::exportPng);
}

void PlotWindow::takeReceived(const QByteArray &bytes) {
    // A closed window costs the receive path one test, and reads from the
    // next whole line once open; HEX data holds no numbers of the device's,
    // the status says so.
    if (!isVisible() || m_dataMode() != core::DataMode::Ascii) {
        m_lines.clear();
        if (isVisible())
            m_frame.request();
        return;
    }
    const qint64 now = m_clock.elapsed();
    for (const QByteArray &line : m_lines.take(bytes)) {
        const rx::NumberScan scan = rx::scanNumbers(line, m_columnNames);
        if (!scan.labels.isEmpty())
            m_columnNames = scan.labels;
        m_skipped += scan.skipped;
        for (const QList<rx::Reading> &row : scan.rows)
            m_refused += m_record.add(now, row);
    }
    m_frame.request();
}

void PlotWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    updateStatus();
    redraw();
}

void PlotWindow::openOverOwner() { showOverOwner(*this, *m_owner); }

void PlotWindow::frame() {
    if (m_sinceRedraw.isValid() && m_sinceRedraw.elapsed() < kRedrawMs) {
        m_frame.request();
        return;
    }
    m_sinceRedraw.start();
    updateStatus();
    if (!m_pause->isChecked() || std::exchange(m_reshaped, false))
        redraw();
}

rx::PlotAxis PlotWindow::axis() const {
    return m_xChoice->currentIndex() == 0 ? rx::PlotAxis::Time : rx::PlotAxis::Row;
}

// The rolling window ends at the newest point (or at its own span while the
// record is shorter), as of the pause while paused; a zoomed view keeps the
// user's axes and only takes the points that fall in them.
void PlotWindow::redraw() {
    addNewSeries();
    const bool zoomed = m_zoomed;
    if (!m_pause->isChecked())
        followNewest();
    const double to = zoomed ? m_xAxis->max() : m_viewEnd;
    const double from = zoomed ? m_xAxis->min() : to - m_span->value();
    const int slices = std::max(1, static_cast<int>(m_chart->plotArea().width()) / kPixelsPerSlice);
    const std::vector<QList<QPointF>> points = m_record.view(axis(), from, to, slices);
    // Every change of an axis lays out every series again: they are emptied
    // first, so that only the new points are laid out, once.
    if (!zoomed) {
        for (QLineSeries *series : m_series)
            series->clear();
        fitAxes(from, to, points);
    }
    for (size_t i = 0; i < points.size(); ++i)
        m_series[i]->replace(m_yScale == 1 ? points[i] : scaled(points[i], m_yScale));
}

// The window moves on in steps of a part of its span, not with every point:
// moving the x axis lays the whole chart out again.
void PlotWindow::followNewest() {
    const double step = m_span->value() / double(kWindowSteps);
    m_viewEnd = std::max<double>(std::ceil(m_record.lastX(axis()) / step) * step, m_span->value());
}

void PlotWindow::addNewSeries() {
    const QStringList &names = m_record.seriesNames();
    for (qsizetype i = static_cast<qsizetype>(m_series.size()); i < names.size(); ++i) {
        auto *series = new QLineSeries;
        series->setName(names[i]);
        series->setPen(QPen(kSeriesColours[i % std::size(kSeriesColours)], 1));
        m_chart->addSeries(series);
        series->attachAxis(m_xAxis);
        series->attachAxis(m_yAxis);
        m_series.push_back(series);
        QPixmap swatch(fontMetrics().height() / 2 * 2, fontMetrics().height() / 2 * 2);
        swatch.fill(kSeriesColours[i % std::size(kSeriesColours)]);
        auto *item = new QListWidgetItem(QIcon(swatch), names[i]);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setToolTip(names[i]);
        const QSignalBlocker quiet(m_legend);
        m_legend->addItem(item);
    }
}

void PlotWindow::fitAxes(double from, double to, const std::vector<QList<QPointF>> &points) {
    const QScopedValueRollback ours(m_settingAxes, true);
    m_xAxis->setRange(from, to);
    if (m_fixedY->isChecked()) {
        setYScale(1);
        m_yAxis->setRange(m_yFrom->value(), m_yTo->value());
        return;
    }
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (size_t i = 0; i < points.size(); ++i) {
        for (const QPointF &point : m_series[i]->isVisible() ? points[i] : QList<QPointF>()) {
            low = std::min(low, point.y());
            high = std::max(high, point.y());
        }
    }
    if (low > high)
        low = 0, high = 1;
    // The axis moves only when the points leave it or fill less than half of
    // it: a steady signal keeps steady labels, and each move lays the chart
    // out again. Spans in halves: they may be past the largest double.
    const double shownLow = low / m_yScale, shownHigh = high / m_yScale;
    const bool fits = shownLow >= m_yAxis->min() && shownHigh <= m_yAxis->max() &&
                      2 * (shownHigh / 2 - shownLow / 2) >= m_yAxis->max() / 2 - m_yAxis->min() / 2;
    if (fits && !m_refit)
        return;
    m_refit = false;
    const rx::AxisFit fit = rx::fitAxis(low, high);
    m_yAxis->setRange(fit.min, fit.max);
    m_yAxis->setTickCount(fit.ticks);
    m_yAxis->setLabelFormat(fit.labelFormat);
    setYScale(fit.scale);
}

// Values near the largest double are drawn divided by a power of ten, which
// the axis's title tells.
void PlotWindow::setYScale(double scale) {
    m_yScale = scale;
    m_yAxis->setTitleText(scale == 1 ? QString() : QStringLiteral("× %1").arg(scale, 0, 'g', 1));
}

void PlotWindow::axisChosen() {
    const bool time = axis() == rx::PlotAxis::Time;
    m_xAxis->setTitleText(time ? QStringLiteral("время, с") : QStringLiteral("номер строки"));
    m_span->setSuffix(time ? QStringLiteral(" с") : QStringLiteral(" строк"));
    const QSignalBlocker quiet(m_span);
    m_span->setValue(time ? kDefaultSeconds : kDefaultRows);
    followNewest();
    resetView();
}

void PlotWindow::userZoomed() {
    if (m_settingAxes)
        return;
    m_zoomed = true;
    redraw();
}

void PlotWindow::resetView() {
    m_zoomed = false;
    m_refit = true;
    redraw();
}

void PlotWindow::clearRecord() {
    m_record.clear();
    m_skipped = 0;
    for (QLineSeries *series : m_series)
        m_chart->removeSeries(series);
    qDeleteAll(m_series);
    m_series.clear();
    m_legend->clear();
    m_refused = 0;
    followNewest();
    updateStatus();
    resetView();
}

void PlotWindow::updateStatus() {
    if (m_dataMode() == core::DataMode::Hex) {
        m_status->setText(QStringLiteral("Режим HEX: числа ищутся только в строках ASCII."));
        return;
    }
    QString text = QStringLiteral("Точек: %1, серий: %2, пропущено: %3")
                       .arg(m_record.size())
                       .arg(m_record.seriesNames().size())
                       .arg(m_skipped);
    if (m_refused > 0)
        text +=
            QStringLiteral(", не показано значений сверх %1 серий: %2").arg(rx::PlotRecord::kMaxSeries).arg(m_refused);
    if (m_record.dropped() > 0)
        text += QStringLiteral(", старых точек отброшено: %1 (хранится не больше %2)")
                    .arg(m_record.dropped())
                    .arg(m_capacity->value());
    m_status->setText(text);
    m_status->setToolTip(text);
}

void PlotWindow::exportCsv() {
    const QString name = modal::askFileName(this,
                                            {.name = QStringLiteral("SavePlotCsv"),
                                             .mode = modal::FileQuestion::Mode::Save,
                                             .filter = QStringLiteral("CSV (*.csv)"),
                                             .suffix = QStringLiteral("csv")},
                                            m_exportDir);
    if (name.isEmpty())
        return;
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_record.toCsv()) < 0 || !file.commit())
        modal::reportFileError(this, name, file.errorString());
}

void PlotWindow::exportPng() {
    const QString name = modal::askFileName(this,
                                            {.name = QStringLiteral("SavePlotPng"),
                                             .mode = modal::FileQuestion::Mode::Save,
                                             .filter = QStringLiteral("PNG (*.png)"),
                                             .suffix = QStringLiteral("png")},
                                            m_exportDir);
    if (name.isEmpty())
        return;
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || !m_chartView->grab().save(&file, "PNG") || !file.commit())
        modal::reportFileError(this, name, file.errorString());
}

} // namespace ui
