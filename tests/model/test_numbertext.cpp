// Numbers as text: the shortest form of the CSV writer, and the fields' fixed form of a value.
#include "model/numbertext.h"

#include <gtest/gtest.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

TEST(CsvExport, NumbersInTheirShortestExactForm) {
    for (double v :
         {7.8123, 0.1 + 0.2, 1e-5, -0.0, 123456789012345678.0, 5e-324, std::numeric_limits<double>::max(), 1.0 / 3.0}) {
        const QByteArray text = shortestNumberText(v);
        EXPECT_EQ(std::strtod(text.constData(), nullptr), v) << text.constData();
        EXPECT_LE(text.size(), 24);
    }
    EXPECT_EQ(shortestNumberText(7.8123), "7.8123");
    EXPECT_EQ(shortestNumberText(12.0), "12");
}

// The fast way for short decimals writes what to_chars writes, for the decimals a log holds
// and for any other double, at the edges of the range it takes too.
TEST(CsvExport, ShortDecimalsAreWrittenAsToCharsWritesThem) {
    std::mt19937_64 random(7);
    std::vector<double> values = {
        1e-3,  -1e-3,  0.00099999999999999, 1e5,     99999.99999999,  99999.999999999999, 0.0015,
        10000, 100000, 0.1 + 0.2,           1.0 / 3, 12345.678901234, 1e-3 * 1.0000001};
    char text[40];
    for (int i = 0; i < 100000; ++i) {
        // A decimal as a log writes it: a sign, up to five digits, up to nine decimals.
        const int decimals = int(random() % 10);
        const auto fraction = random() % static_cast<std::uint64_t>(std::pow(10, decimals));
        std::snprintf(text, sizeof text, "%s%d.%0*llu", random() % 2 ? "-" : "", int(random() % 100000), decimals,
                      static_cast<unsigned long long>(fraction));
        values.push_back(std::strtod(text, nullptr));
        std::uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        values.push_back(any);
        values.push_back(std::ldexp(double(random() >> 11), -53) * std::pow(10.0, double(random() % 10) - 4));
    }
    int differ = 0;
    for (double v : values) {
        char expected[40];
        const std::string want(expected, std::to_chars(expected, expected + sizeof expected, v).ptr);
        const QByteArray got = shortestNumberText(v);
        if (got.toStdString() != want && ++differ < 5) ADD_FAILURE() << want << " written as " << got.constData();
    }
    EXPECT_EQ(differ, 0);
}

// A calibration result goes straight to the fields' text; it must read as if it had been
// written into the field in its general form and the field had read it back and rounded it.
TEST(NumberText, FieldTextOfAValueAsTheFieldMakesItOfTheGeneralForm) {
    auto throughTheField = [](double v, int places) {
        const QString general = generalNumberText(v);
        const std::optional<double> back = readNumber(general);
        if (!back) return general;
        return places > 0 ? numtext::fixed(*back, places) : generalNumberText(*back);
    };
    std::mt19937_64 random(29);
    constexpr double kMax = std::numeric_limits<double>::max(), kInf = std::numeric_limits<double>::infinity();
    // Halves of the last place, 15-digit forms that are not the double, subnormals, no numbers.
    std::vector<double> values = {
        0.0,  -0.0,  1.00005,     -0.00001, 0.1 + 0.2, 2.675, 9.99995, 5e-324, 2.2250738585072014e-308,
        kInf, -kInf, std::nan("")};
    // Down from the largest double past where the 15-digit general form stops reading back.
    for (double v = kMax; values.size() < 200; v = std::nextafter(v, 0.0)) values.push_back(v);
    for (int i = 0; i < 20000; ++i) {
        std::uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        values.push_back(any);
        // Slopes and offsets as a calibration finds them.
        values.push_back(1.0 + double(std::int64_t(random() % 200001) - 100000) * 1e-7 / 3);
        values.push_back(double(std::int64_t(random() % 20001) - 10000) * 1e-6 / 7);
    }
    int differ = 0;
    for (double v : values)
        for (int places : {0, 2, 4}) {
            const QString want = throughTheField(v, places), got = numtext::fieldNumberText(v, places);
            if (got != want && ++differ < 5)
                ADD_FAILURE() << v << " at " << places << ": " << qPrintable(got) << " for " << qPrintable(want);
        }
    EXPECT_EQ(differ, 0);
}
