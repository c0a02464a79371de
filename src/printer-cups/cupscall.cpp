#include "printer-cups/cupscall.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

#include <cups/cups.h>

namespace printer {

namespace {

thread_local bool t_gaveUp = false;

// Called when an answer did not come within the connection's time: give up.
int giveUp(http_t *, void *)
{
    t_gaveUp = true;
    return 0;
}

} // namespace

QByteArray cupsServerAddress()
{
    QByteArray server = cupsServer();
    if (!server.startsWith('/'))
        server += ':' + QByteArray::number(ippPort());
    return server;
}

bool CupsConnection::gaveUp()
{
    return t_gaveUp;
}

CupsConnection::CupsConnection(const QByteArray &server)
{
    t_gaveUp = false;
    // libcups keeps its server per thread: this thread asks the one given.
    cupsSetServer(server.constData());
    m_http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                          kCupsWaitMs, nullptr);
    if (m_http)
        httpSetTimeout(m_http, kCupsWaitMs / 1000.0, giveUp, nullptr);
}

CupsConnection::~CupsConnection()
{
    if (m_http)
        httpClose(m_http);
}

CupsBusyCursor::CupsBusyCursor()
{
    const QCoreApplication *app = QCoreApplication::instance();
    if (qobject_cast<const QGuiApplication *>(app) && QThread::currentThread() == app->thread()) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        m_set = true;
    }
}

CupsBusyCursor::~CupsBusyCursor()
{
    if (m_set)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace printer
