#include "export/statisticscsv.h"

#include "export/csvexport.h"
#include "model/clsdataset.h"
#include "model/numbertext.h"

#include <QList>
#include <cmath>

namespace {

QByteArray dateTimeOf(const DataTable &t, int row) {
    const double day = t.rowDay(row);
    return csvTimeField(day, std::isfinite(day) ? QString() : t.text(row, colDateTime));
}

void appendRow(QByteArray &out, const QList<QByteArray> &fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        out += fields[i];
    }
    out += "\r\n";
}

}  // namespace

QByteArray csvTimeField(double day, const QString &text) {
    return std::isfinite(day) ? csvDateTime(day) : csvField(text);
}

QByteArray statisticsCsv(const RangeStats &s, const DataTable &t, const QcCounts *qc) {
    const int n = s.records();
    return statisticsCsv(s, n ? dateTimeOf(t, s.firstRow) : QByteArray(), n ? dateTimeOf(t, s.lastRow) : QByteArray(),
                         qc);
}

QByteArray statisticsCsv(const RangeStats &s, const QByteArray &firstTime, const QByteArray &lastTime,
                         const QcCounts *qc) {
    QByteArray out = "quantity,count,min,max,mean,sd,first,last,difference\r\n";
    const int n = s.records();
    appendRow(out, {"Date/Time",
                    QByteArray::number(n),
                    n ? firstTime : QByteArray(),
                    n ? lastTime : QByteArray(),
                    {},
                    {},
                    {},
                    {},
                    {}});
    for (int i = 0; i < kStatSeriesCount; ++i) {
        const SeriesStats &x = s.series[std::size_t(i)];
        const QByteArray name = statSeriesName(i).toLatin1();
        if (x.count == 0) {
            appendRow(out, {name, "0", {}, {}, {}, {}, {}, {}, {}});
            continue;
        }
        appendRow(out, {name,
                        QByteArray::number(x.count),
                        shortestNumberText(x.min),
                        shortestNumberText(x.max),
                        shortestNumberText(x.mean),
                        std::isnan(x.sd) ? QByteArray() : shortestNumberText(x.sd),  // one value: undefined
                        {},
                        {},
                        {}});
    }
    const VolumeStats &v = s.volume;
    if (v.count == 0)
        appendRow(out, {"Total Volume", "0", {}, {}, {}, {}, {}, {}, {}});
    else
        appendRow(out, {"Total Volume",
                        QByteArray::number(v.count),
                        {},
                        {},
                        {},
                        {},
                        shortestNumberText(v.first),
                        shortestNumberText(v.last),
                        shortestNumberText(v.difference)});
    for (int series = 0; qc && series < kQcSeries; ++series)
        for (std::size_t i = 0; i < kQcCodes.size(); ++i)
            appendRow(out, {"qc_" + qcSeriesName(series).toLatin1() + " flag " + QByteArray::number(kQcCodes[i]),
                            QByteArray::number(qc->of[std::size_t(series)][i]),
                            {},
                            {},
                            {},
                            {},
                            {},
                            {},
                            {}});
    return out;
}
