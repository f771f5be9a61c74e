// A start-up as a process of its own: claims the instance lock as the program does, and says
// on stdout whether it holds it ("held") or found another instance ("running").
//   instance_probe LOCK GO RELEASE: waits for the file GO, claims, and a holder keeps the lock
//   until the file RELEASE appears.
#include "app/startup.h"
#include "model/interaction.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <cstdio>

namespace {
class Quiet : public IInteraction {
public:
    MsgAnswer message(const QString &, const QString &, MsgButtons, MsgIcon) override {
        std::puts("running");
        return MsgAnswer::Ok;
    }
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
    void processPendingEvents() override {}
};

void waitFor(const QString &path) {
    while (!QFileInfo::exists(path)) QThread::msleep(1);
}
}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) return 2;
    std::puts("ready");
    std::fflush(stdout);
    waitFor(args[2]);
    Quiet ui;
    const auto lock = claimSingleInstance(ui, args[1]);
    if (lock && lock->isGuarding()) {
        std::puts("held");
        std::fflush(stdout);
        waitFor(args[3]);
    }
    std::fflush(stdout);
    return 0;
}
