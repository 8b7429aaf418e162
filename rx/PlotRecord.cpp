#include "rx/PlotRecord.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace rx {
namespace {

QByteArray csvField(const QString &text) {
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') && !field.contains('\r'))
        return field;
    return '"' + field.replace("\"", "\"\"") + '"';
}

} // namespace

int PlotRecord::add(qint64 msecs, const QList<Reading> &row) {
    if (row.isEmpty())
        return 0;
    if (m_rows == 0)
        m_firstMs = msecs;
    const double seconds = (msecs - m_firstMs) / 1000.0;
    int refused = 0;
    for (const Reading &reading : row) {
        // kMaxSeries names at most: a look along them is all it takes.
        qsizetype series = m_names.indexOf(reading.series);
        if (series < 0) {
            if (m_names.size() >= kMaxSeries) {
                ++refused;
                continue;
            }
            series = m_names.size();
            m_names.append(reading.series);
        }
        m_points.push_back({seconds, reading.value, m_rows, static_cast<quint32>(series)});
    }
    ++m_rows;
    setCapacity(m_capacity);
    return refused;
}

void PlotRecord::clear() {
    m_points.clear();
    m_names.clear();
    m_rows = 0;
    m_dropped = 0;
}

void PlotRecord::setCapacity(qsizetype points) {
    m_capacity = std::max<qsizetype>(points, 1);
    while (size() > m_capacity) {
        m_points.pop_front();
        ++m_dropped;
    }
}

double PlotRecord::lastX(PlotAxis axis) const { return m_points.empty() ? 0 : m_points.back().x(axis); }

std::vector<QList<QPointF>> PlotRecord::view(PlotAxis axis, double from, double to, int buckets) const {
    std::vector<QList<QPointF>> series(m_names.size());
    if (!(to > from) || buckets < 1)
        return series;
    // The lowest and highest point of the slice each series is in.
    struct Slice {
        qint64 number = -1;
        QPointF low, high;
    };
    std::vector<Slice> slices(m_names.size());
    const auto flush = [](const Slice &slice, QList<QPointF> &points) {
        if (slice.number < 0)
            return;
        const bool lowFirst = slice.low.x() <= slice.high.x();
        points.append(lowFirst ? slice.low : slice.high);
        if (slice.low != slice.high)
            points.append(lowFirst ? slice.high : slice.low);
    };
    const double slicesPerX = buckets / (to - from);
    auto point = std::lower_bound(m_points.begin(), m_points.end(), from,
                                  [axis](const Point &p, double x) { return p.x(axis) < x; });
    for (; point != m_points.end() && point->x(axis) <= to; ++point) {
        const QPointF xy(point->x(axis), point->value);
        const qint64 number = static_cast<qint64>(std::floor((xy.x() - from) * slicesPerX));
        Slice &slice = slices[point->series];
        if (slice.number != number) {
            flush(slice, series[point->series]);
            slice = {number, xy, xy};
        } else if (xy.y() < slice.low.y()) {
            slice.low = xy;
        } else if (xy.y() > slice.high.y()) {
            slice.high = xy;
        }
    }
    for (size_t i = 0; i < slices.size(); ++i)
        flush(slices[i], series[i]);
    return series;
}

QByteArray PlotRecord::toCsv() const {
    QByteArray csv = "time";
    for (const QString &name : m_names)
        csv += ',' + csvField(name);
    csv += '\n';
    QList<QByteArray> values(m_names.size());
    for (auto point = m_points.begin(); point != m_points.end();) {
        const auto rowStart = point;
        // A row that names a series twice ("a:1 a:2 b:3") goes out as
        // several lines of the same time, each value where it came.
        for (; point != m_points.end() && point->row == rowStart->row && values[point->series].isEmpty(); ++point)
            values[point->series] = QByteArray::number(point->value, 'g', QLocale::FloatingPointShortest);
        csv += QByteArray::number(rowStart->seconds, 'f', 3);
        for (QByteArray &value : values)
            csv += ',' + std::exchange(value, {});
        csv += '\n';
    }
    return csv;
}

} // namespace rx
