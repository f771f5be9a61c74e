#pragma once
// Widget helpers of the entry fields (the text helpers are in util.h).
#include <QColor>
#include <array>

class QLineEdit;
class QRadioButton;
class QString;
class QWidget;

namespace Util {

// A colour given in the 0x00BBGGRR form.
QColor colorFromBgr(quint32 bgr);

// Background 0xC0E0FF (light orange) when highlighted, white otherwise; text black. Only
// while enabled: the disabled colours stay the style's.
void SetFieldColors(QWidget *control, bool highlight);

// Shows a field in the error colours (light red, dark red text) with the reason as its
// tooltip, until called again with an empty reason. SetFieldColors keeps them meanwhile.
void SetFieldError(QWidget *control, const QString &why);

// Selects the whole text of an entry field.
void SelectAllText(QWidget *control);

// Sets a field's text without the signals its edit would send.
void setTextQuietly(QLineEdit *field, const QString &text);

// Position of the checked button of a group of three; 0 when none is.
int checkedIndex(const std::array<QRadioButton *, 3> &group);

}  // namespace Util
