#include "qc/qcthresholds.h"

#include <cmath>

bool sensibleThresholds(const QcThresholds &t) {
    auto span = [](double lo, double hi) { return std::isfinite(lo) && std::isfinite(hi) && lo <= hi; };
    auto positive = [](double v) { return std::isfinite(v) && v > 0; };
    for (const QcMonthSpan &m : t.climatology)
        if (m.set && !span(m.min, m.max)) return false;
    return positive(t.gapMinutes) && span(t.phSensorMin, t.phSensorMax) && span(t.phUserMin, t.phUserMax) &&
           span(t.tSensorMin, t.tSensorMax) && span(t.tUserMin, t.tUserMax) && positive(t.spikeSuspect) &&
           t.spikeSuspect <= t.spikeFail && positive(t.tSpikeSuspect) && t.tSpikeSuspect <= t.tSpikeFail &&
           positive(t.rateSuspectPerHour) && std::isfinite(t.rateFailPerHour) &&
           (t.rateFailPerHour == 0 || t.rateFailPerHour >= t.rateSuspectPerHour) && positive(t.flatSuspectMinutes) &&
           t.flatSuspectMinutes <= t.flatFailMinutes && positive(t.flatTolerance) && positive(t.tFlatTolerance) &&
           positive(t.probeSuspect) && t.probeSuspect <= t.probeFail && positive(t.thermistorSuspect);
}

const std::vector<QcThresholdField> &qcThresholdFields() {
    static const char *const manual = "QARTOD pH manual (2019)";
    static const std::vector<QcThresholdField> fields = {
        {&QcThresholds::gapMinutes, "GapMinutes", "Gap limit", "min", "the deployment's gap limit"},
        {&QcThresholds::phSensorMin, "PhSensorMin", "Gross range, sensor minimum", "pH", "the pH scale"},
        {&QcThresholds::phSensorMax, "PhSensorMax", "Gross range, sensor maximum", "pH", "the pH scale"},
        {&QcThresholds::phUserMin, "PhUserMin", "Gross range, user minimum", "pH", "seawater, QARTOD pH manual (2019)"},
        {&QcThresholds::phUserMax, "PhUserMax", "Gross range, user maximum", "pH", "seawater, QARTOD pH manual (2019)"},
        {&QcThresholds::tSensorMin, "TSensorMin", "Temperature range, sensor minimum", "\u00B0C",
         "the thermistors' rated span"},
        {&QcThresholds::tSensorMax, "TSensorMax", "Temperature range, sensor maximum", "\u00B0C",
         "the thermistors' rated span"},
        {&QcThresholds::tUserMin, "TUserMin", "Temperature range, user minimum", "\u00B0C", "liquid water at sea"},
        {&QcThresholds::tUserMax, "TUserMax", "Temperature range, user maximum", "\u00B0C",
         "the warmest coastal water"},
        {&QcThresholds::spikeSuspect, "SpikeSuspect", "Spike, suspect", "pH", manual},
        {&QcThresholds::spikeFail, "SpikeFail", "Spike, fail", "pH", manual},
        {&QcThresholds::tSpikeSuspect, "TSpikeSuspect", "Temperature spike, suspect", "\u00B0C",
         "chosen here: five times the thermistors' noise"},
        {&QcThresholds::tSpikeFail, "TSpikeFail", "Temperature spike, fail", "\u00B0C",
         "chosen here: twice the suspect threshold"},
        {&QcThresholds::rateSuspectPerHour, "RateSuspect", "Rate of change, suspect", "pH/h", manual},
        {&QcThresholds::rateFailPerHour, "RateFail", "Rate of change, fail (0: none)", "pH/h", "none in the manual"},
        {&QcThresholds::flatSuspectMinutes, "FlatSuspect", "Flat line, suspect time", "min", manual},
        {&QcThresholds::flatFailMinutes, "FlatFail", "Flat line, fail time", "min", manual},
        {&QcThresholds::flatTolerance, "FlatTolerance", "Flat line, tolerance", "pH",
         "the probe's resolution, QARTOD pH manual (2019)"},
        {&QcThresholds::tFlatTolerance, "TFlatTolerance", "Temperature flat line, tolerance", "\u00B0C",
         "the thermistors' resolution in the log"},
        {&QcThresholds::probeSuspect, "ProbeSuspect", "Probe agreement, suspect", "pH",
         "the former probe-disagreement limit"},
        {&QcThresholds::probeFail, "ProbeFail", "Probe agreement, fail", "pH", manual},
        {&QcThresholds::thermistorSuspect, "ThermistorSuspect", "Thermistor agreement, suspect", "\u00B0C",
         "the former thermistor limit"},
    };
    return fields;
}
