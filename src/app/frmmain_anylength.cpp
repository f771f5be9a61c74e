// File > Load Logs of Any Length: the record limit of the next open, remembered between runs.
#include "app/frmmain.h"
#include "app/settingsfile.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QSettings>

namespace {
const QLatin1String kLoadAllKey("LoadAllRecords");
}

void frmMain::loadAnyLengthSetting() {
    bool on = false;  // anything but "1" leaves the default limit
    withSettingsSection([&on](QSettings &s) { on = s.value(kLoadAllKey).toString() == u"1"; });
    mnuLoadAllRecords->setChecked(on);
    m_workbench->setLoadAllRecords(on);
}

void frmMain::mnuLoadAllRecords_Click(bool on) {
    mnuLoadAllRecords->setChecked(on);
    m_workbench->setLoadAllRecords(on);
    withSettingsSection([on](QSettings &s) { s.setValue(kLoadAllKey, on ? QStringLiteral("1") : QStringLiteral("0")); });
}
