#pragma once
// Helpers shared by the two source files of the formatter.
#include "model/datatable.h"

#include <QString>

namespace fmtdetail {

// An exactly empty text without fmtRequired passes every text operation unchanged.
bool emptyPass(const QString &text, int lFlags);

// Text operations never throw: anything thrown inside counts as a refused text.
template <typename F> bool guarded(F f) noexcept {
    try {
        return f();
    } catch (...) {
        return false;
    }
}

// The date fields' messages, used by both files.
inline const QString kDateRequired = QStringLiteral("This field requires a date.");
inline const QString kDateOptional = QStringLiteral("Anything in this field must be a date.");

}  // namespace fmtdetail
