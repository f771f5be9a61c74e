#include "fields/ui/widgetutil.h"

#include <QRadioButton>

#include <QLineEdit>
#include <QPalette>
#include <QSignalBlocker>
#include <QVariant>

namespace Util {

namespace {
constexpr const char *kErrorProperty = "fieldError";
}  // namespace

void setTextQuietly(QLineEdit *field, const QString &text) {
    const QSignalBlocker block(field);
    field->setText(text);
}

QColor colorFromBgr(quint32 bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

void SetFieldColors(QWidget *control, bool highlight) {
    if (!control) return;
    // Only the enabled groups: a disabled field keeps the style's disabled look.
    const bool error = !control->property(kErrorProperty).toString().isEmpty();
    QPalette pal = control->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::Base, colorFromBgr(error ? 0xC0C0FF : highlight ? 0xC0E0FF : 0xFFFFFF));
        pal.setColor(g, QPalette::Text, colorFromBgr(error ? 0x0000B0 : 0));
    }
    control->setPalette(pal);
}

void SetFieldError(QWidget *control, const QString &why) {
    if (!control || control->property(kErrorProperty).toString() == why) return;
    control->setProperty(kErrorProperty, why);
    control->setToolTip(why);
    SetFieldColors(control, control->hasFocus());
}

void SelectAllText(QWidget *control) {
    if (auto *edit = qobject_cast<QLineEdit *>(control)) edit->setSelection(0, int(edit->text().size()));
}

int checkedIndex(const std::array<QRadioButton *, 3> &group) {
    for (int k = 0; k < 3; ++k)
        if (group[std::size_t(k)]->isChecked()) return k;
    return 0;
}

}  // namespace Util
