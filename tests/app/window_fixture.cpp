#include "window_fixture.h"

QStringList makeLog(const LogRecipe &rule) {
    QStringList lines{QStringLiteral("\"Test logger\"")};
    lines += rule.calibration;
    if (!rule.startDate.isEmpty()) lines << QStringLiteral("\"Start Date:\",") + rule.startDate;
    lines << QStringLiteral("\"Time\",\"Therm 1\",\"Therm 2\",\"Therm 3\",\"pH-1 Raw\",\"pH-2 Raw\",\"pH-1\","
                            "\"pH-2\",\"Aux\",\"Flow Rate\",\"Total Vol\"");
    for (int i = 0; i < rule.records; ++i) {
        const int s = (rule.firstSecond + i * rule.step) % 86400;
        lines << QStringLiteral("\"%1:%2:%3\",%4,21.5,22,%5,-100,7.5,7.6,0,1.25,%6")
                     .arg(s / 3600, 2, 10, QLatin1Char('0'))
                     .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                     .arg(s % 60, 2, 10, QLatin1Char('0'))
                     .arg(20 + i % 5)
                     .arg(i * 10)
                     .arg(i * 0.5);
    }
    return lines;
}
