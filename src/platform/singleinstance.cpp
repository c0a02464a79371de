#include "singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QtGlobal>

#include <unistd.h>

namespace platform {

namespace {
constexpr int kConnectTimeoutMs = 500;
const QByteArray kActivate = "activate\n";
} // namespace

SingleInstance::SingleInstance(QString name, QObject *parent)
    : QObject(parent), m_name(std::move(name))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        display = QStringLiteral("console");
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("mekira_RErorezev-%1-%2").arg(::getuid()).arg(display);
}

bool SingleInstance::becomePrimary()
{
    {
        QLocalSocket socket;
        socket.connectToServer(m_name);
        if (socket.waitForConnected(kConnectTimeoutMs)) {
            socket.write(kActivate);
            socket.waitForBytesWritten(kConnectTimeoutMs);
            socket.disconnectFromServer();
            return false;
        }
    }
    // Nobody answers: a name left behind by a crashed run is stale.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name))
        return true; // we still run; only the hand-over is lost
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains(kActivate.trimmed()))
                Q_EMIT activationRequested();
        });
    }
}

} // namespace platform
