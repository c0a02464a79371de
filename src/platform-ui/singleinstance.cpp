#include "platform-ui/singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QtGlobal>

#include <memory>

#include <unistd.h>

namespace platform {

namespace {
constexpr int kConnectTimeoutMs = 500;
constexpr qsizetype kMaxMessage = 1 << 20;
const QByteArray kActivate = "activate\n";
// One line per file after the activation, UTF-8: "open\t<absolute path>\n".
const QByteArray kOpen = "open\t";
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

bool SingleInstance::becomePrimary(const QStringList &files)
{
    {
        QLocalSocket socket;
        socket.connectToServer(m_name);
        if (socket.waitForConnected(kConnectTimeoutMs)) {
            QByteArray message = kActivate;
            for (const QString &file : files)
                message += kOpen + file.toUtf8() + '\n';
            socket.write(message);
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

void SingleInstance::release()
{
    if (!m_server)
        return;
    m_server->close();
    delete m_server;
    m_server = nullptr;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // The message is complete when the other start disconnects.
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [socket, received] {
            if (received->size() < kMaxMessage)
                *received += socket->readAll();
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, received] {
            *received += socket->readAll();
            socket->deleteLater();
            QStringList files;
            for (const QByteArray &line : received->split('\n'))
                if (line.startsWith(kOpen))
                    files << QString::fromUtf8(line.mid(kOpen.size()));
            if (received->contains(kActivate.trimmed()))
                Q_EMIT activationRequested();
            if (!files.isEmpty())
                Q_EMIT filesHandedOver(files);
        });
    }
}

} // namespace platform
