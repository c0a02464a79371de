#include "exportcommand.h"

#include "settingsfile.h"

#include "database/database.h"
#include "history/historystore.h"
#include "orders/clickpostexport.h"
#include "platform/error.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <string_view>

namespace app::exportcommand {

namespace {

const QString kExport = QStringLiteral("export");
const QString kFrom = QStringLiteral("from");
const QString kTo = QStringLiteral("to");

// A date as the window's date boxes show it (2026/12/09) or as ISO (2026-12-09).
QDate readDate(const QString &text)
{
    for (const QString &format : {QStringLiteral("yyyy/MM/dd"), QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyyMMdd")}) {
        const QDate date = QDate::fromString(text.trimmed(), format);
        if (date.isValid())
            return date;
    }
    throw platform::Error(QStringLiteral("日付「%1」が読めません。2026/12/09 の形で指定してください。").arg(text));
}

void printLine(FILE *stream, const QString &text)
{
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString exportNow(const QCommandLineParser &parser)
{
    const QString kind = parser.value(kExport).trimmed().toLower();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        throw platform::Error(QStringLiteral("書き出すファイルを 1 つ指定してください（mekira --export %1 ファイル）。")
                                  .arg(kind.isEmpty() ? QStringLiteral("clickpost") : kind));
    const QString path = QFileInfo(positional.first()).absoluteFilePath();
    const bool shipments = kind == u"shipments" || kind == u"amazon";
    if (!shipments && kind != u"clickpost")
        throw platform::Error(QStringLiteral("書き出しの種類「%1」はありません。clickpost・shipments・amazon のどれかを指定してください。")
                                  .arg(kind));
    if (!shipments && (parser.isSet(kFrom) || parser.isSet(kTo)))
        throw platform::Error(QStringLiteral("--from と --to は shipments と amazon の書き出しだけで使えます。"));

    const QString folder = QDir::currentPath();
    database::Database book(SettingsFile(QDir(folder).filePath(SettingsFile::fileName())).orderBook(folder));
    if (!shipments) {
        const orders::clickpost::ExportResult result = book.call<orders::clickpost::ExportResult>(
            [path](database::Connection &c) { return orders::clickpost::exportOrders(c, {}, path); });
        if (result.orders == 0)
            return QStringLiteral("書き出す未印刷の注文がありません（ファイルは作っていません）。");
        return QStringLiteral("%1 件の注文をクリックポスト用に書き出しました: %2")
            .arg(result.orders)
            .arg(result.files.join(QStringLiteral(", ")));
    }
    history::ShipmentExportOptions options;
    options.layout = kind == u"amazon" ? history::ExportLayout::AmazonShippingConfirmation : history::ExportLayout::Generic;
    if (parser.isSet(kFrom))
        options.from = readDate(parser.value(kFrom));
    if (parser.isSet(kTo))
        options.to = readDate(parser.value(kTo));
    const history::ShipmentExportResult result = book.call<history::ShipmentExportResult>(
        [path, options](database::Connection &c) { return history::HistoryStore::exportShipments(c, path, options); });
    return QStringLiteral("%1 件の発送を書き出しました: %2").arg(result.shipments).arg(result.files.join(QStringLiteral(", ")));
}

} // namespace

void describe(QCommandLineParser &parser)
{
    parser.addOption({kExport,
                      QStringLiteral("ウィンドウを開かずに書き出します。KIND: clickpost（未印刷の注文をクリックポストの一括申込ファイルに）、"
                                     "shipments（まだ報告していない発送を汎用の形式で）、amazon（Amazon の出荷通知ファイル）。"
                                     "書き出すファイルを続けて指定します / writes KIND to FILE without a window"),
                      QStringLiteral("KIND")});
    parser.addOption({kFrom, QStringLiteral("shipments・amazon：この日以降に印刷した発送（2026/12/09） / first day printed"),
                      QStringLiteral("DATE")});
    parser.addOption({kTo, QStringLiteral("shipments・amazon：この日までに印刷した発送 / last day printed"),
                      QStringLiteral("DATE")});
}

bool isAsked(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--export" || argument.starts_with("--export="))
            return true;
    }
    return false;
}

int run(int argc, char *argv[])
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mekira"));
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("書き出すファイル / the file to write"));
    describe(parser);
    if (!parser.parse(core.arguments())) {
        printLine(stderr, QStringLiteral("mekira: %1").arg(parser.errorText()));
        return 1;
    }
    try {
        printLine(stdout, exportNow(parser));
        return 0;
    } catch (...) {
        printLine(stderr, QStringLiteral("mekira: %1").arg(platform::errorText(std::current_exception())));
        return 1;
    }
}

} // namespace app::exportcommand
