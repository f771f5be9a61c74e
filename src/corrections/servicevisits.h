#pragma once
// What a technician measured at a service visit, per probe: how far fouling had moved the reading
// and how far the cleaned probe read from one or two check buffers. Corrections are made from them.
#include <QByteArray>
#include <QString>
#include <limits>
#include <vector>

struct ServiceVisit {
    int probe = 1;            // 1 or 2
    double day = 0;           // date-time of the visit
    double foulingError = 0;  // pH: reading before cleaning minus after, the water's change taken out
    double bufferPH = 0;      // the check buffer's nominal pH
    double driftError = 0;    // the cleaned probe's reading in it minus its pH
    double buffer2PH = std::numeric_limits<double>::quiet_NaN();  // NaN: one buffer
    double driftError2 = std::numeric_limits<double>::quiet_NaN();
    QString note{};

    bool hasSecondBuffer() const { return buffer2PH == buffer2PH; }
    // The drift error at a record of pH `ph`: with two buffers interpolated linearly in pH
    // between their errors, held constant outside them.
    double driftErrorAt(double ph) const;
    bool operator==(const ServiceVisit &o) const;
};

// The fouling error from the four readings: the probe's change at cleaning less the water's
// own change as the reference meter saw it.
double foulingErrorOf(double probeBefore, double probeAfter, double referenceBefore, double referenceAfter);
// The drift error of a cleaned probe reading `reading` in a buffer of pH `bufferPH`.
inline double driftErrorOf(double reading, double bufferPH) { return reading - bufferPH; }

// A visits file: a header line naming the columns "probe", "visit", "fouling error",
// "buffer pH", "drift error" and optionally "buffer 2 pH", "drift error 2", "note" (any order),
// then one visit a line. `error` names the first bad line; then `visits` is empty.
struct VisitsRead {
    std::vector<ServiceVisit> visits;
    QString error;
};
VisitsRead parseVisitsCsv(const QByteArray &bytes);
// The visits in that form (a note column only when a visit has a note).
QByteArray visitsCsv(const std::vector<ServiceVisit> &visits);

// A probe's visits in time order.
std::vector<ServiceVisit> visitsOfProbe(const std::vector<ServiceVisit> &visits, int probe);
// What is wrong with a probe's visits taken together ("Two visits of pH-1 at 5/14/2004
// 10:00:00."), empty when nothing is.
QString checkVisits(const std::vector<ServiceVisit> &visits);
