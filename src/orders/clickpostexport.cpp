#include "orders/clickpostexport.h"

#include "orders/orderfile.h"
#include "orders/orderstatemachine.h"
#include "orders/orderstore.h"

#include "database/connection.h"
#include "platform/codepage.h"
#include "platform/textnormalize.h"

#include <csv.h>

#include <QFileInfo>
#include <QDir>
#include <QSqlQuery>

namespace orders::clickpost {

namespace {

// Part of a number: a digit of either width, or a hyphen between digits.
bool isNumberChar(QChar c)
{
    return platform::isDigit(c) || platform::isHyphenLike(c);
}

// Whether a break before position `at` would split a number or a surrogate pair.
bool splitsSomething(const QString &text, qsizetype at)
{
    if (at <= 0 || at >= text.size())
        return false;
    const QChar before = text.at(at - 1);
    const QChar after = text.at(at);
    if (before.isHighSurrogate())
        return true;
    return isNumberChar(before) && isNumberChar(after) && (platform::isDigit(before) || platform::isDigit(after));
}

// A break the address reads well at: a blank, or the end of a block or lot number.
bool isGoodBreak(const QString &text, qsizetype at)
{
    if (text.at(at - 1).isSpace() || text.at(at).isSpace())
        return true;
    const QStringView head = QStringView(text).left(at);
    return head.endsWith(u"丁目") || head.endsWith(u"番地") || head.endsWith(u"号");
}

// The text broken into lines of at most `width` units.
QStringList wrap(QString text, int width)
{
    QStringList lines;
    text = text.trimmed();
    while (!text.isEmpty()) {
        if (units(text) <= width) {
            lines << text;
            break;
        }
        // The longest head that fits.
        qsizetype fits = 0;
        int used = 0;
        while (fits < text.size()) {
            const qsizetype step = text.at(fits).isHighSurrogate() && fits + 1 < text.size() ? 2 : 1;
            const int add = units(QStringView(text).mid(fits, step));
            if (used + add > width)
                break;
            used += add;
            fits += step;
        }
        qsizetype at = 0;
        for (qsizetype p = fits; p > 0 && at == 0; --p) {
            if (!splitsSomething(text, p) && isGoodBreak(text, p))
                at = p;
        }
        for (qsizetype p = fits; p > 0 && at == 0; --p) {
            if (!splitsSomething(text, p))
                at = p;
        }
        if (at == 0)
            return {QString()}; // one number wider than a line: refused by the caller
        lines << text.left(at).trimmed();
        text = text.mid(at).trimmed();
    }
    return lines;
}

QString orderName(const Order &order)
{
    return order.orderNumber.isEmpty() ? QStringLiteral("%1 様の注文").arg(order.custo1.trimmed())
                                       : QStringLiteral("注文 %1").arg(order.orderNumber);
}

// The first character of the text CP932 lacks, if any.
std::optional<QString> missingCharacter(const QString &text)
{
    for (const char32_t c : text.toUcs4()) {
        if (!platform::cp932Holds(c))
            return QString::fromUcs4(&c, 1);
    }
    return std::nullopt;
}

QString singleLine(QString text)
{
    for (QChar &c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    }
    return text.trimmed();
}

QString shortened(const QString &text, int width)
{
    QString result;
    int used = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype step = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const int add = units(QStringView(text).mid(i, step));
        if (used + add > width)
            break;
        used += add;
        result += QStringView(text).mid(i, step);
        i += step;
    }
    return result;
}

QByteArray quoted(const QByteArray &bytes)
{
    QByteArray out(bytes.size() * 2 + 2, Qt::Uninitialized);
    out.truncate(qsizetype(csv_write(out.data(), size_t(out.size()), bytes.constData(), size_t(bytes.size()))));
    return out;
}

} // namespace

int units(QStringView text)
{
    int count = 0;
    for (const char32_t c : text.toUcs4()) {
        if (!platform::cp932Holds(c))
            ++count;
        else
            count += int(platform::encodeCp932(QString::fromUcs4(&c, 1)).size());
    }
    return count;
}

QStringList splitAddress(const QString &address, int lines, int width)
{
    const QStringList wrapped = wrap(address, width);
    return wrapped.size() <= lines && !wrapped.contains(QString()) ? wrapped : QStringList();
}

QStringList header()
{
    return {QStringLiteral("お届け先郵便番号"),  QStringLiteral("お届け先氏名"),      QStringLiteral("お届け先敬称"),
            QStringLiteral("お届け先住所1行目"), QStringLiteral("お届け先住所2行目"), QStringLiteral("お届け先住所3行目"),
            QStringLiteral("お届け先住所4行目"), QStringLiteral("内容品")};
}

QStringList row(const Order &order)
{
    const QString name = singleLine(order.custo1);
    const QString add1 = singleLine(order.add1);
    const QString add2 = singleLine(order.add2);
    const QString item = shortened(singleLine(order.g1), kItemWidth);
    for (const QString &text : {name, add1, add2, item}) {
        if (const auto missing = missingCharacter(text))
            throw ExportError(QStringLiteral("%1：「%2」はクリックポストのファイル（Shift-JIS）に書けない文字です。"
                                             "注文の内容を直してから書き出してください。")
                                  .arg(orderName(order), *missing));
    }
    if (name.isEmpty())
        throw ExportError(QStringLiteral("%1：お届け先の氏名がありません。").arg(orderName(order)));
    if (units(name) > kNameWidth)
        throw ExportError(QStringLiteral("%1：お届け先の氏名が長すぎます（半角 %2 文字分まで）。")
                              .arg(orderName(order)).arg(kNameWidth));
    // The building on a line of its own where the four lines allow it.
    QStringList lines = wrap(add1, kAddressWidth) + wrap(add2, kAddressWidth);
    if (lines.size() > kAddressLines || lines.contains(QString()))
        lines = splitAddress(add2.isEmpty() ? add1 : add1 + u' ' + add2);
    if (lines.isEmpty())
        throw ExportError(QStringLiteral("%1：お届け先の住所が 4 行（1 行 半角 %2 文字分）に収まりません。")
                              .arg(orderName(order)).arg(kAddressWidth));
    while (lines.size() < kAddressLines)
        lines << QString();
    QStringList texts = QStringList{name} + lines + QStringList{item};
    for (QString &text : texts)
        text = platform::neutralizedFormula(text);
    return QStringList{platform::digitsOnly(order.zip), texts.first(), QStringLiteral("様")} + texts.mid(1);
}

QByteArray fileFor(const QList<Order> &orders)
{
    const auto line = [](const QStringList &cells) {
        QByteArray out;
        for (const QString &cell : cells) {
            if (!out.isEmpty())
                out += ',';
            out += quoted(platform::encodeCp932(cell));
        }
        return out + "\r\n";
    };
    QByteArray bytes = line(header());
    for (const Order &order : orders)
        bytes += line(row(order));
    return bytes;
}

QStringList filePaths(const QString &path, int orderCount)
{
    if (orderCount <= kOrdersPerFile)
        return {path};
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("csv") : info.suffix();
    QStringList paths;
    const int files = (orderCount + kOrdersPerFile - 1) / kOrdersPerFile;
    for (int i = 1; i <= files; ++i)
        paths << info.dir().filePath(QStringLiteral("%1-%2.%3").arg(info.completeBaseName()).arg(i).arg(suffix));
    return paths;
}

ExportResult exportOrders(database::Connection &connection, const QList<qint64> &ids, const QString &path)
{
    QList<qint64> chosen = ids;
    if (chosen.isEmpty()) {
        OrderQuery unprinted;
        unprinted.state = OrderState::New;
        chosen = store::orderIds(connection, unprinted);
    }
    QList<Order> orders = store::ordersById(connection, chosen);
    orders.removeIf([](const Order &o) { return o.state != OrderState::New; });
    ExportResult result;
    if (orders.isEmpty())
        return result;
    // Every row first: one refused order and no file is written.
    QList<QByteArray> files;
    for (qsizetype first = 0; first < orders.size(); first += kOrdersPerFile)
        files << fileFor(orders.mid(first, kOrdersPerFile));
    const QStringList paths = filePaths(path, int(orders.size()));
    // The key the import gives each row, read back by the import's own reader.
    QStringList keys;
    for (const Order &order : orders)
        keys << readOrderFile(fileFor({order}), path).orders.value(0).orderKey;
    return connection.transaction([&] {
        QList<qint64> orderIds;
        for (const Order &o : orders)
            orderIds << o.id;
        const QList<qint64> marked = applyTransition(connection, orderIds, OrderAction::ToClickPost);
        if (marked.size() != orderIds.size())
            throw ExportError(QStringLiteral("書き出す間に、ほかの端末が注文を印刷または変更しました。もう一度書き出してください。"));
        for (qsizetype i = 0; i < orders.size(); ++i)
            connection.exec(QStringLiteral("UPDATE orders SET clickpost_key = ? WHERE id = ?"), {keys.at(i), orders.at(i).id},
                            QStringLiteral("クリックポストの書き出し"));
        // Written last, inside the transaction: a file that cannot be written marks nothing.
        for (qsizetype i = 0; i < files.size(); ++i)
            platform::saveFileAtomically(paths.at(i), files.at(i), platform::FileAccess::OwnerOnly);
        result.files = paths;
        result.orders = int(orders.size());
        return result;
    });
}

} // namespace orders::clickpost
