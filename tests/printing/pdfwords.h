#pragma once

// Reads the words of a printed PDF with their boxes, through poppler's
// "pdftotext -bbox" (poppler-utils). Boxes are in PDF points from the page's top-left.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QString>
#include <QTemporaryFile>
#include <QXmlStreamReader>

struct PdfWord
{
    QString text;
    QRectF box; // points
};

struct PdfPage
{
    QSizeF size; // points
    QList<PdfWord> words;
};

// Every page of the PDF, or an empty list with `error` set.
inline QList<PdfPage> readPdfWords(const QByteArray &pdf, QString *error)
{
    QTemporaryFile file;
    if (!file.open() || file.write(pdf) != pdf.size() || !file.flush()) {
        *error = QStringLiteral("cannot write the PDF aside");
        return {};
    }
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                     file.fileName(), QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0) {
        *error = QStringLiteral("pdftotext failed: ")
                 + QString::fromUtf8(pdftotext.readAllStandardError());
        return {};
    }
    QList<PdfPage> pages;
    QXmlStreamReader xml(pdftotext.readAllStandardOutput());
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        if (xml.name() == u"page") {
            const QSizeF size(a.value(QLatin1String("width")).toDouble(),
                              a.value(QLatin1String("height")).toDouble());
            pages.append({size, {}});
        } else if (xml.name() == u"word" && !pages.isEmpty()) {
            const QPointF topLeft(a.value(QLatin1String("xMin")).toDouble(),
                                  a.value(QLatin1String("yMin")).toDouble());
            const QPointF bottomRight(a.value(QLatin1String("xMax")).toDouble(),
                                      a.value(QLatin1String("yMax")).toDouble());
            pages.last().words.append({xml.readElementText(), QRectF(topLeft, bottomRight)});
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return pages;
}
