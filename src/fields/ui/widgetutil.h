#pragma once
// Widget helpers of the entry fields (the text helpers are in util.h).
#include <QColor>

class QWidget;

namespace Util {

// A colour given in the 0x00BBGGRR form.
QColor colorFromBgr(quint32 bgr);

// Background 0xC0E0FF (light orange) when highlighted, white otherwise; text black.
void SetFieldColors(QWidget *control, bool highlight);

// Selects the whole text of an entry field.
void SelectAllText(QWidget *control);

}  // namespace Util
