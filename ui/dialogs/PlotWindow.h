#pragma once

#include "core/DataMode.h"
#include "rx/PlotRecord.h"
#include "rx/ReceivedLines.h"
#include "ui/widgets/FrameThrottle.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QAction;
class QBoxLayout;
class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineSeries;
class QListWidget;
class QPushButton;
class QSpinBox;
class QValueAxis;

namespace ui {

// The live chart of the numbers that received lines carry: a window of the
// main window's own (named "PlotWindow"), opened by its action ("График…",
// Ctrl+G). Lines are
// scanned only while it is open; the chart is drawn at most once a frame
// from the points gathered meanwhile.
class PlotWindow : public QWidget {
    Q_OBJECT
public:
    PlotWindow(std::function<core::DataMode()> dataMode, QWidget *owner);
    ~PlotWindow() override;

    QAction *openAction() const { return m_openAction; }
    const rx::PlotRecord &record() const { return m_record; }

    // Bytes as they came from the port: read as the device's lines.
    void takeReceived(const QByteArray &bytes);

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createChart();
    void createSettings(QBoxLayout *settings);
    void createActions(QBoxLayout *actions);
    void openOverOwner();
    void frame();
    void redraw();
    void followNewest();
    void addNewSeries();
    void fitAxes(double from, double to, const std::vector<QList<QPointF>> &points);
    void setYScale(double scale);
    rx::PlotAxis axis() const;
    void axisChosen();
    void userZoomed();
    void resetView();
    void clearRecord();
    void exportCsv();
    void exportPng();
    void updateStatus();

    QWidget *m_owner;
    std::function<core::DataMode()> m_dataMode;
    QAction *m_openAction;
    rx::PlotRecord m_record;
    QElapsedTimer m_clock;
    QElapsedTimer m_sinceRedraw;
    int m_skipped = 0;
    int m_refused = 0; // values of series past the limit
    rx::ReceivedLines m_lines;
    QStringList m_columnNames;  // from the device's header line
    bool m_refit = true;        // the y axis is fitted anew, not kept
    double m_yScale = 1;        // values are drawn divided by it
    bool m_zoomed = false;      // the user's axes, not the rolling window
    bool m_settingAxes = false; // our own change of the axes, not a zoom
    bool m_reshaped = false;    // the plot area changed size
    double m_viewEnd = 0;       // where the rolling window ends
    QString m_exportDir;
    // Made when the window is first shown.
    QChart *m_chart = nullptr;
    QChartView *m_chartView = nullptr;
    QValueAxis *m_xAxis = nullptr, *m_yAxis = nullptr;
    std::vector<QLineSeries *> m_series;
    QComboBox *m_xChoice = nullptr;
    QSpinBox *m_span = nullptr, *m_capacity = nullptr;
    QCheckBox *m_fixedY = nullptr;
    QDoubleSpinBox *m_yFrom = nullptr, *m_yTo = nullptr;
    QPushButton *m_pause = nullptr;
    QLabel *m_status = nullptr;
    QListWidget *m_legend = nullptr;
    FrameThrottle m_frame{[this] { frame(); }};
};

} // namespace ui
