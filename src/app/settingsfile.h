#pragma once
// The per-user settings, opened only when every file they would read is a regular file (or
// absent): reading a named pipe or a device there would block the start for ever.
#include <QSettings>
#include <memory>

// Nothing when a settings file is not a regular file; the caller then works with defaults and
// writes nothing.
std::unique_ptr<QSettings> openSettings();

// Runs use with the "Settings" section of the store, when the store can be read at all.
template <class Use> void withSettingsSection(Use use) {
    if (const std::unique_ptr<QSettings> s = openSettings()) {
        s->beginGroup(QStringLiteral("Settings"));
        use(*s);
    }
}
