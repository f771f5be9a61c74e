#pragma once
// The local socket over which a second start hands its file to the running window.
#include <QObject>
#include <QStringList>
#include <functional>

class QLocalServer;

// The socket's name beside the instance lock: "brinewick.lock" -> "brinewick.socket".
QString instanceSocketName(const QString &lockPath);

// Listens on behalf of the instance that holds the lock; each start handed over arrives as its
// arguments (program name first), the file's path made absolute by the sender.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    InstanceServer(const QString &name, std::function<void(const QStringList &)> received, QObject *parent = nullptr);
    // A socket left by an instance that is gone is replaced; false when nothing can listen.
    bool listen();

private:
    void accept();
    QString m_name;
    QLocalServer *m_server;
    std::function<void(const QStringList &)> m_received;
};

// Sends a start's file (and "--follow") to the running instance; false when the arguments name
// no file or no instance took it, so the caller says the application is already running.
bool handToRunningInstance(const QString &name, const QStringList &arguments);
