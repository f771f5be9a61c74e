#include "app/filedialogsize.h"
#include "app/settingsfile.h"
#include "app/datagrid.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <QSettings>
#include <algorithm>

namespace {
int storedPixels(const QSettings &s, const char *key, int fallback) {
    bool ok = false;
    const double twips = s.value(QLatin1String(key)).toString().toDouble(&ok);
    // Never smaller than a readable dialog, whatever the store says.
    return ok ? std::clamp(twipsToPixels(twips), fallback / 2, 4 * fallback) : fallback;
}

// The dialog's own column widths cut sizes and dates short; widen them to typical texts.
void readableColumns(QFileDialog &dialog) {
    auto *tree = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!tree) return;
    const QFontMetrics fm(tree->font());
    const char *const typical[] = {"overnight-2004-05-13-tank-b.asc", "999.9 KiB", "plain text document",
                                   "12/31/2099 12:00 PM"};
    for (int c = 0; c < 4; ++c) tree->header()->resizeSection(c, fm.horizontalAdvance(QLatin1String(typical[c])) + 24);
}
}  // namespace

void restoreOpenDialogSize(QFileDialog &dialog) {
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(kOpenDialogWidth, kOpenDialogHeight);
    bool restored = false;
    withSettingsSection([&](QSettings &s) {
        restored = dialog.restoreState(s.value(QStringLiteral("OpenDialogState")).toByteArray());
        dialog.resize(storedPixels(s, "OpenDialogWidth", kOpenDialogWidth),
                      storedPixels(s, "OpenDialogHeight", kOpenDialogHeight));
    });
    if (!restored) readableColumns(dialog);
}

void rememberOpenDialogSize(const QFileDialog &dialog) {
    withSettingsSection([&](QSettings &s) {
        s.setValue(QStringLiteral("OpenDialogWidth"), QString::number(float(pixelsToTwips(dialog.width()))));
        s.setValue(QStringLiteral("OpenDialogHeight"), QString::number(float(pixelsToTwips(dialog.height()))));
        s.setValue(QStringLiteral("OpenDialogState"), dialog.saveState());
    });
}
