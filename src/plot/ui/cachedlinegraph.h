#pragma once
// A series' graph that keeps the points its last draw sampled down to a few per pixel column.
// Those depend on the data and the time axis alone, so a redraw that only moves the value axis
// (a keystroke in a Y limit) does not walk a million points again.
//
// A very long series may be held as an envelope: the graph's data keeps a few points of each
// bucket of rows (first, lowest, highest, last, first gap), and a view that shows fewer buckets
// than it has pixel columns reads its rows from the source again. The plot then keeps no copy
// of the series beside the table it comes from.
#include "plot/graph.h"

#include <qcustomplot.h>

#include <vector>

class CachedLineGraph : public QCPGraph {
public:
    CachedLineGraph(QCPAxis *key, QCPAxis *value) : QCPGraph(key, value) {}
    // Every change of the data, or of the breaks, must say so.
    void dataChanged() { m_cached = false; }
    // Keys, in order, at which the line breaks off: a gap point (NaN) goes there.
    void setBreaks(const std::vector<double> *keys) { m_breaks = keys; }

    // The rows behind the graph's data when it holds an envelope; `rows` 0 when it holds the
    // points themselves. The rows' keys must be in order.
    struct RowSource {
        IGraph::PointSource points;
        std::size_t rows = 0;
        std::size_t perBucket = 1;  // rows behind each bucket of the envelope
    };
    void setSource(RowSource source) {
        m_source = std::move(source);
        m_cached = false;
    }
    const RowSource &source() const { return m_source; }
    // Rows appended to the source, whose points the graph's data holds as they are.
    void addSourceRows(std::size_t n) { m_source.rows += n; }
    // The day and value of one row of the source.
    void rowAt(std::size_t row, double &day, float &value) const;
    // The first row whose key is not below `key` (rows when there is none).
    std::size_t rowFrom(double key) const;

protected:
    void getOptimizedLineData(QVector<QCPGraphData> *lineData, const QCPGraphDataContainer::const_iterator &begin,
                              const QCPGraphDataContainer::const_iterator &end) const override;

private:
    // What the sampling reads besides the points: the span drawn and the time axis' mapping.
    struct Key {
        const QCPAxis *axis = nullptr;
        qsizetype first = 0, last = 0, size = 0;
        double lower = 0.0, upper = 0.0;
        QRect rect;
        bool reversed = false, adaptive = false;
        int scale = 0;
        bool operator==(const Key &) const = default;
    };
    Key keyFor(const QCPGraphDataContainer::const_iterator &begin,
               const QCPGraphDataContainer::const_iterator &end) const;
    void insertBreaks(QVector<QCPGraphData> &lines) const;
    // The rows the view shows, one either side, when the envelope is too coarse for it.
    bool detailLines(QVector<QCPGraphData> *lineData) const;

    const std::vector<double> *m_breaks = nullptr;
    RowSource m_source;
    mutable Key m_key;
    mutable bool m_cached = false;
    mutable QVector<QCPGraphData> m_lines;
};
