#include "app/instancechannel.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {
const QByteArray kTaken("taken\n");
constexpr int kMaxMessage = 64 * 1024;  // a path and a flag; anything longer is no start of ours

// The file and the follow flag of a start's arguments; empty when no single file is named.
QStringList fileArguments(const QStringList &arguments) {
    QStringList rest = arguments.mid(1);
    const bool follow = rest.removeAll(QStringLiteral("--follow")) > 0;
    if (rest.size() != 1 || rest[0].isEmpty()) return {};
    QStringList out = {arguments.value(0), QFileInfo(rest[0]).absoluteFilePath()};
    if (follow) out << QStringLiteral("--follow");
    return out;
}
}  // namespace

QString instanceSocketName(const QString &lockPath) {
    const QString base = lockPath.endsWith(QLatin1String(".lock")) ? lockPath.chopped(5) : lockPath;
    return base + QStringLiteral(".socket");
}

InstanceServer::InstanceServer(const QString &name, std::function<void(const QStringList &)> received, QObject *parent)
    : QObject(parent), m_name(name), m_server(new QLocalServer(this)), m_received(std::move(received)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

bool InstanceServer::listen() {
    if (m_server->listen(m_name)) return true;
    // Only the lock's holder gets here, so a socket already there is a dead instance's.
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

void InstanceServer::accept() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxMessage) {
                socket->abort();
                return;
            }
            QDataStream in(socket);
            in.setVersion(QDataStream::Qt_6_0);
            in.startTransaction();
            QStringList arguments;
            in >> arguments;
            if (!in.commitTransaction()) return;  // the rest is still on its way
            socket->write(kTaken);
            socket->flush();
            socket->disconnectFromServer();
            if (m_received && !fileArguments(arguments).isEmpty()) m_received(arguments);
        });
    }
}

bool handToRunningInstance(const QString &name, const QStringList &arguments) {
    const QStringList message = fileArguments(arguments);
    if (message.isEmpty()) return false;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << message;
    // The running instance may still be starting up: its lock comes before its socket.
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (!socket.waitForConnected(500)) {
            QThread::msleep(100);
            continue;
        }
        socket.write(bytes);
        if (!socket.waitForBytesWritten(2000)) return false;
        QByteArray reply;
        while (!reply.contains('\n') && socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            reply += socket.readAll();
        return reply.startsWith(kTaken);
    }
    return false;
}
