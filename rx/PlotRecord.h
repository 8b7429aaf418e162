#pragma once

#include "rx/NumberScan.h"

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QStringList>

#include <deque>
#include <vector>

namespace rx {

// What the x of a point is: seconds since the record's first point, or the
// number of the row it came in (0 for the first).
enum class PlotAxis { Time, Row };

// The numbers received so far, oldest first, up to a number of points: past
// it the oldest are dropped. Series are numbered in the order their names
// first came.
class PlotRecord {
public:
    static constexpr qsizetype kDefaultCapacity = 1'000'000;
    // More series than a chart can tell apart are not taken.
    static constexpr int kMaxSeries = 32;

    // One row of readings that arrived at `msecs` (a monotonic clock in ms).
    // Returns how many readings were refused: those of a series past the
    // limit.
    int add(qint64 msecs, const QList<Reading> &row);
    void clear();
    void setCapacity(qsizetype points);

    qsizetype size() const { return static_cast<qsizetype>(m_points.size()); }
    // Points dropped to keep within the capacity since the last clear.
    qint64 dropped() const { return m_dropped; }
    const QStringList &seriesNames() const { return m_names; }
    // The x of the newest point, 0 while there is none.
    double lastX(PlotAxis axis) const;

    // For each series, its points with x in [from, to], thinned to the
    // lowest and the highest of each of `buckets` equal slices of the range,
    // so that a chart draws no more than it has pixels for.
    std::vector<QList<QPointF>> view(PlotAxis axis, double from, double to, int buckets) const;

    // The record as CSV (UTF-8): a header "time" and the series' names, then
    // one line per row: its time in seconds and each series' value, empty
    // where the row had none; a row with a series twice takes a line more
    // from that value on.
    QByteArray toCsv() const;

private:
    struct Point {
        double seconds;
        double value;
        quint32 row;
        quint32 series;
        double x(PlotAxis axis) const { return axis == PlotAxis::Time ? seconds : row; }
    };

    std::deque<Point> m_points;
    QStringList m_names;
    qsizetype m_capacity = kDefaultCapacity;
    qint64 m_firstMs = 0;
    quint32 m_rows = 0;
    qint64 m_dropped = 0;
};

} // namespace rx
