#pragma once

// Adds a queue to the private cupsd that really writes each job to its file device.

#include "privatecupsd.h"

#include <QByteArray>
#include <QFile>
#include <QList>

// The fixture's PPD hands PDF on with "-" filters only, and cupsd then completes the
// job without writing anything to the file device. Until the fixture copies the file
// itself, the queue gets the same PPD with a filter that copies it.
inline bool addCopyingPrinter(testsupport::PrivateCupsd &cupsd,
                              const testsupport::PrivateCupsd::Printer &printer)
{
    if (!cupsd.addPrinter(printer))
        return false;
    QByteArray ppd = testsupport::PrivateCupsd::makePpd(printer);
    if (!ppd.contains("application/pdf 0 -\""))
        return true; // the fixture copies by itself
    QList<QByteArray> lines = ppd.split('\n');
    lines.removeIf([](const QByteArray &line) { return line.startsWith("*cupsFilter2:"); });
    lines.insert(1, "*cupsFilter2: \"application/pdf application/vnd.cups-pdf 0 gziptoany\"");
    const QString path = cupsd.root() + QStringLiteral("/copying-") + printer.name + QStringLiteral(".ppd");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(lines.join('\n')) < 0)
        return false;
    file.close();
    return cupsd.runClient(QStringLiteral("lpadmin"),
                           {QStringLiteral("-h"), cupsd.server(), QStringLiteral("-p"), printer.name,
                            QStringLiteral("-P"), path, QStringLiteral("-E")});
}
