#include "history/historymodel.h"

#include "history/trackingnumber.h"

#include "database/connection.h"
#include "database/database.h"

#include <QColor>

namespace history {

namespace {

// Failures of a worker call come back as text, whatever their type.
template <typename Work>
auto guardedCall(Work &&work) -> std::pair<decltype(work()), QString>
{
    try {
        return {work(), QString()};
    } catch (const platform::Error &error) {
        return {{}, error.message()};
    } catch (const std::exception &error) {
        return {{}, QString::fromLocal8Bit(error.what())};
    }
}

QString joined(std::initializer_list<QString> parts)
{
    QStringList nonEmpty;
    for (const QString &part : parts) {
        if (!part.trimmed().isEmpty())
            nonEmpty << part.trimmed();
    }
    return nonEmpty.join(QLatin1Char(' '));
}

} // namespace

HistoryModel::HistoryModel(database::Database &database, QObject *parent)
    : QAbstractTableModel(parent), m_database(database)
{
}

void HistoryModel::setQuery(const HistoryQuery &query)
{
    m_query = query;
    refresh();
}

void HistoryModel::refresh()
{
    fetchPage(true);
}

void HistoryModel::fetchPage(bool reset)
{
    const quint64 generation = reset ? ++m_generation : m_generation;
    std::optional<HistoryCursor> after;
    if (!reset && !m_rows.isEmpty())
        after = HistoryCursor{m_rows.last().printedAt.toMSecsSinceEpoch(), m_rows.last().id};
    m_loading = true;
    const HistoryQuery query = m_query;
    m_database
        .run<std::pair<QList<HistoryEntry>, QString>>([query, after](database::Connection &connection) {
            return guardedCall([&] { return HistoryStore::page(connection, query, after, kPageSize); });
        })
        .then(this, [this, generation, reset](const std::pair<QList<HistoryEntry>, QString> &answer) {
            if (generation != m_generation)
                return; // a newer search is under way
            m_loading = false;
            if (!answer.second.isEmpty()) {
                Q_EMIT failed(answer.second);
                return;
            }
            const QList<HistoryEntry> &page = answer.first;
            if (reset) {
                beginResetModel();
                m_rows = page;
                m_atEnd = page.size() < kPageSize;
                endResetModel();
            } else if (!page.isEmpty()) {
                beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size() - 1));
                m_rows += page;
                m_atEnd = page.size() < kPageSize;
                endInsertRows();
            } else {
                m_atEnd = true;
            }
            Q_EMIT loaded();
        });
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd && !m_loading && !m_rows.isEmpty();
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent))
        fetchPage(false);
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList titles{QStringLiteral("印刷日時"), QStringLiteral("端末"),   QStringLiteral("おなまえ"),
                                    QStringLiteral("でんわ"),   QStringLiteral("郵便番号"), QStringLiteral("おところ"),
                                    QStringLiteral("品名"),     QStringLiteral("注文番号"),
                                    QStringLiteral("お問い合わせ番号"), QStringLiteral("プリンタ"),
                                    QStringLiteral("ショップへの報告")};
    return titles.value(section);
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const HistoryEntry &e = m_rows.at(index.row());
    const slip::SlipRecord &s = e.printed.slip;
    if (role == Qt::EditRole && index.column() == Tracking)
        return e.trackingNumber;
    if (index.column() == Tracking && m_refusals.contains(e.id)) {
        // The refusal stays in the row, so that a stack scanned on shows which slip to scan again.
        if (role == Qt::ToolTipRole || (role == Qt::DisplayRole && e.trackingNumber.isEmpty()))
            return m_refusals.value(e.id);
        if (role == Qt::ForegroundRole)
            return QColor(Qt::red);
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case PrintedAt:
        return e.printedAt.toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    case Station:
        return e.station;
    case Name:
        return s.destination.name;
    case Telephone:
        return s.destination.telephone;
    case PostalCode:
        return s.destination.postalCode;
    case Address:
        return joined({s.destination.address1, s.destination.address2, s.destination.address3});
    case Goods:
        return joined({s.goods[0], s.goods[1], s.goods[2]});
    case OrderNumber:
        return e.orderNumber;
    case Tracking:
        return TrackingNumber::formatted(e.trackingNumber);
    case Printer:
        return e.printed.printer;
    case Reported:
        return e.reportedAt.isValid()
                   ? QStringLiteral("報告済み（%1）").arg(e.reportedAt.toString(QStringLiteral("yyyy/MM/dd HH:mm")))
                   : QString();
    default:
        return {};
    }
}

Qt::ItemFlags HistoryModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Tracking)
        f |= Qt::ItemIsEditable;
    return f;
}

int HistoryModel::rowOf(qint64 id) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).id == id)
            return row;
    }
    return -1;
}

void HistoryModel::refuse(int row, qint64 id, const QString &message)
{
    m_refusals.insert(id, message);
    if (row >= 0)
        Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
    Q_EMIT trackingRefused(row, message);
}

QString HistoryModel::refusalAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_refusals.value(m_rows.at(row).id) : QString();
}

int HistoryModel::nextRowWithoutTracking(int row) const
{
    const int count = int(m_rows.size());
    for (int step = 1; step <= count; ++step) {
        const int candidate = (row + step) % count;
        if (m_rows.at(candidate).trackingNumber.isEmpty())
            return candidate;
    }
    return -1;
}

bool HistoryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != Tracking || index.row() >= m_rows.size())
        return false;
    HistoryEntry &entry = m_rows[index.row()];
    // A number stored before check digits were checked is left as it is.
    if (TrackingNumber::parse(value.toString(), TrackingNumber::Check::FormOnly).digits == entry.trackingNumber
        && !entry.trackingNumber.isEmpty())
        return true;
    const TrackingNumber number = TrackingNumber::parse(value.toString());
    if (number.result != TrackingNumber::Result::Valid && number.result != TrackingNumber::Result::Empty) {
        refuse(index.row(), entry.id, number.message());
        return false;
    }
    if (entry.trackingNumber == number.digits)
        return true;
    // Known duplicates among the rows shown are refused at once.
    for (const HistoryEntry &other : std::as_const(m_rows)) {
        if (!number.digits.isEmpty() && other.id != entry.id && other.trackingNumber == number.digits) {
            refuse(index.row(), entry.id,
                   DuplicateTrackingNumber(other.id, other.printedAt, other.printed.slip.destination.name, number.digits)
                       .message());
            return false;
        }
    }
    const QString previous = entry.trackingNumber;
    const qint64 id = entry.id;
    entry.trackingNumber = number.digits;
    Q_EMIT dataChanged(index, index);
    const QString digits = number.digits;
    m_database
        .run<QString>([id, digits](database::Connection &connection) {
            return guardedCall([&] {
                       HistoryStore::setTrackingNumber(connection, id, digits);
                       return 0;
                   }).second;
        })
        .then(this, [this, id, digits, previous](const QString &failure) {
            const int row = rowOf(id);
            if (failure.isEmpty()) {
                if (m_refusals.remove(id) && row >= 0)
                    Q_EMIT dataChanged(this->index(row, Tracking), this->index(row, Tracking));
                if (row >= 0)
                    Q_EMIT trackingSaved(row);
                return;
            }
            if (row >= 0 && m_rows[row].trackingNumber == digits)
                m_rows[row].trackingNumber = previous;
            refuse(row, id, failure);
        });
    return true;
}

} // namespace history
