#include "app/filedialogsize.h"
#include "app/settingsfile.h"
#include "app/datagrid.h"

#include <QFileDialog>
#include <QSettings>
#include <algorithm>

namespace {
int storedPixels(const QSettings &s, const char *key, int fallback) {
    bool ok = false;
    const double twips = s.value(QLatin1String(key)).toString().toDouble(&ok);
    // Never smaller than a readable dialog, whatever the store says.
    return ok ? std::clamp(twipsToPixels(twips), fallback / 2, 4 * fallback) : fallback;
}
}  // namespace

void restoreOpenDialogSize(QFileDialog &dialog) {
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(kOpenDialogWidth, kOpenDialogHeight);
    withSettingsSection([&](QSettings &s) {
        dialog.restoreState(s.value(QStringLiteral("OpenDialogState")).toByteArray());
        dialog.resize(storedPixels(s, "OpenDialogWidth", kOpenDialogWidth),
                      storedPixels(s, "OpenDialogHeight", kOpenDialogHeight));
    });
}

void rememberOpenDialogSize(const QFileDialog &dialog) {
    withSettingsSection([&](QSettings &s) {
        s.setValue(QStringLiteral("OpenDialogWidth"), QString::number(float(pixelsToTwips(dialog.width()))));
        s.setValue(QStringLiteral("OpenDialogHeight"), QString::number(float(pixelsToTwips(dialog.height()))));
        s.setValue(QStringLiteral("OpenDialogState"), dialog.saveState());
    });
}
