#pragma once
#include <QString>
#include <QStringList>
#include <memory>

class QLockFile;
class IInteraction;

// The per-user lock that keeps a second Brinewick from starting. A lock left by a crashed
// run is taken over. Returns the held lock, or nothing (after telling the person) when
// another instance runs.
std::unique_ptr<QLockFile> claimSingleInstance(IInteraction &ui, const QString &lockPath = QString());
QString defaultInstanceLockPath();

class frmMain;
// A log path as the only argument opens as a dropped file does; anything else starts plainly.
void openFromArguments(frmMain &window, const QStringList &arguments);
