// One line through the classifier, then stored by the reader's own second pass, so that what
// the classifier hands back is also what the data set must cope with.
#include "fileio/classifyline.h"
#include "fileio/fileio.h"
#include "fuzz_support.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

using namespace linecode;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ensureCoreApplication();
    FuzzInteraction ui;
    // A line as the reader makes it: Latin-1, no line ending inside.
    QByteArrayView raw(reinterpret_cast<const char *>(data), qsizetype(size));
    QString line = QString::fromLatin1(raw);
    const QString before = line;
    Values values;
    const int code = classifyLine(line, values, ui);
    switch (code) {
    case InvalidStartDate:
    case Blank:
    case ColumnHeader:
    case StartDate:
    case Record:
    case Other:
    case Slope1:
    case Slope2:
    case Offset1:
    case Offset2:
    case SerialNumber1:
    case SerialNumber2:
    case CalibrationDate1:
    case CalibrationDate2:
    case BothSlopes:
    case BothOffsets:
    case BothSerialNumbers: break;
    default: require(false, "classifyLine returns a known code");
    }
    require(!line.contains(u'"'), "the classifier removes every double quote");
    require(line.size() <= before.size(), "the classifier only removes text");
    if (code == Record) {
        require(!values.list.empty() && values.list[0].isText() && values.list[0].string().size() == 8,
                "a record starts with its 8-character time");
        for (std::size_t i = 1; i < values.list.size(); ++i)
            require(values.list[i].isNumber() || values.list[i].isEmpty(), "record values are numbers");
    }
    if (code == ColumnHeader || code == BothSlopes || code == BothOffsets || code == BothSerialNumbers)
        require(!values.list.empty() && values.list.back().isEmpty(), "a list ends with one empty entry");

    // The same line in a file with a start date, read by the second pass.
    clsDataSet ds;
    QByteArray bytes = "#2004-5-13#\n";
    bytes += raw.toByteArray().replace('\r', ' ').replace('\n', ' ');
    bytes += "\n";
    const PassReport report = storeLines(bytes, ds, ui);
    require(report.lines == 2, "two lines read");
    checkInvariants(ds);
    return 0;
}
