#include "historywindow.h"

#include "history/historymodel.h"
#include "history/trackingnumber.h"
#include "orders/printclaim.h"

#include "database/connection.h"
#include "database/database.h"
#include "platform-ui/guard.h"
#include "platform-ui/messagebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace app {

namespace {

// The tracking-number editor: after a number is committed the window moves on to the
// next row without one. A scanner types the digits and Enter.
class TrackingDelegate : public QStyledItemDelegate
{
public:
    TrackingDelegate(std::function<void(int)> entered, QObject *parent)
        : QStyledItemDelegate(parent), m_entered(std::move(entered))
    {
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        auto *editor = new QLineEdit(parent);
        editor->setMaxLength(20); // twelve digits with hyphens and blanks
        editor->setInputMethodHints(Qt::ImhDigitsOnly);
        return editor;
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const QString text = static_cast<QLineEdit *>(editor)->text();
        if (text == index.data(Qt::EditRole).toString())
            return;
        if (model->setData(index, text, Qt::EditRole) && !text.trimmed().isEmpty())
            QMetaObject::invokeMethod(parent(), [entered = m_entered, row = index.row()] { entered(row); },
                                      Qt::QueuedConnection);
    }

private:
    std::function<void(int)> m_entered;
};

} // namespace

HistoryWindow::HistoryWindow(database::Database &database, Actions actions, QWidget *parent)
    : QWidget(parent, Qt::Window), m_database(database), m_actions(std::move(actions))
{
    setWindowTitle(QStringLiteral("発送履歴"));
    m_model = new history::HistoryModel(database, this);
    buildControls();
    resize(1000, 600);
    if (!m_actions.askSavePath) {
        m_actions.askSavePath = [this](const QString &suggested) {
            const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
            return QFileDialog::getSaveFileName(this, QStringLiteral("書き出し"), folder + QLatin1Char('/') + suggested);
        };
    }
    connect(m_model, &history::HistoryModel::loaded, this, &HistoryWindow::onLoaded);
    // Another station printed or entered a number: the list follows.
    connect(&database, &database::Database::changed, this, [this] {
        if (isVisible())
            refresh();
    });
    connect(m_model, &history::HistoryModel::failed, this, [this](const QString &message) {
        m_status->setText(QStringLiteral("発送履歴を読めません: %1").arg(message));
    });
    // Queued: a refusal may come from inside the editor's commit, and the box and the
    // new editor must wait until that editor is gone.
    connect(
        m_model, &history::HistoryModel::trackingRefused, this,
        [this](int row, const QString &message) { platform::guarded([&] { onTrackingRefused(row, message); }); },
        Qt::QueuedConnection);
    search();
}

void HistoryWindow::buildControls()
{
    m_field = new QComboBox(this);
    m_field->addItems(history::HistoryQuery::fieldNames());
    m_text = new QLineEdit(this);
    m_text->setPlaceholderText(QStringLiteral("おなまえ・でんわ・郵便番号・注文番号・お問い合わせ番号（先頭から）"));
    m_text->setClearButtonEnabled(true);
    m_useDates = new QCheckBox(QStringLiteral("期間"), this);
    m_from = new QDateEdit(QDate::currentDate().addMonths(-1), this);
    m_to = new QDateEdit(QDate::currentDate(), this);
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        edit->setEnabled(false);
    }
    m_oldestFirst = new QCheckBox(QStringLiteral("古い順"), this);
    m_oldestFirst->setToolTip(QStringLiteral("印刷した順に並べます（送り状の束を上から読み取るとき）"));
    auto *searchButton = new QPushButton(QStringLiteral("検索"), this);

    auto *bar = new QHBoxLayout;
    bar->addWidget(m_field);
    bar->addWidget(m_text, 1);
    bar->addWidget(m_useDates);
    bar->addWidget(m_from);
    bar->addWidget(new QLabel(QStringLiteral("〜"), this));
    bar->addWidget(m_to);
    bar->addWidget(m_oldestFirst);
    bar->addWidget(searchButton);

    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    m_table->setItemDelegateForColumn(history::HistoryModel::Tracking,
                                      new TrackingDelegate([this](int row) { onTrackingEntered(row); }, this));
    const int widths[] = {130, 90, 140, 110, 80, 260, 160, 120, 130, 120};
    for (int column = 0; column < int(std::size(widths)); ++column)
        m_table->setColumnWidth(column, widths[column]);

    auto *toMain = new QPushButton(QStringLiteral("メイン画面へ"), this);
    toMain->setToolTip(QStringLiteral("選んだ送り状をメイン画面に入れます（F11 で印刷）"));
    auto *reprint = new QPushButton(QStringLiteral("もう一度印刷"), this);
    reprint->setToolTip(QStringLiteral("選んだ送り状を、いまのプリンタでそのまま印刷します"));
    auto *exportButton = new QPushButton(QStringLiteral("書き出し…"), this);
    exportButton->setToolTip(QStringLiteral("お問い合わせ番号の入った発送をショップに登録するファイルに書き出します"));
    auto *closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    m_status = new QLabel(this);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(toMain);
    buttons->addWidget(reprint);
    buttons->addWidget(exportButton);
    buttons->addWidget(m_status, 1);
    buttons->addWidget(closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    // Searching while typing, after a short pause: no button press needed.
    m_typingPause = new QTimer(this);
    m_typingPause->setSingleShot(true);
    m_typingPause->setInterval(300);
    using platform::guardedSlot;
    connect(m_typingPause, &QTimer::timeout, this, guardedSlot([this] { search(); }));
    connect(m_text, &QLineEdit::textEdited, m_typingPause, qOverload<>(&QTimer::start));
    connect(m_text, &QLineEdit::returnPressed, this, guardedSlot([this] { search(); }));
    connect(m_field, &QComboBox::currentIndexChanged, this, guardedSlot([this] { search(); }));
    connect(m_useDates, &QCheckBox::toggled, this, guardedSlot([this] {
                m_from->setEnabled(m_useDates->isChecked());
                m_to->setEnabled(m_useDates->isChecked());
                search();
            }));
    connect(m_oldestFirst, &QCheckBox::toggled, this, guardedSlot([this] { search(); }));
    connect(m_from, &QDateEdit::dateChanged, this, guardedSlot([this] { search(); }));
    connect(m_to, &QDateEdit::dateChanged, this, guardedSlot([this] { search(); }));
    connect(searchButton, &QPushButton::clicked, this, guardedSlot([this] { search(); }));
    connect(toMain, &QPushButton::clicked, this, guardedSlot([this] { openSelected(); }));
    connect(reprint, &QPushButton::clicked, this, guardedSlot([this] { printSelected(); }));
    connect(exportButton, &QPushButton::clicked, this, guardedSlot([this] { chooseExport(); }));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

history::HistoryQuery HistoryWindow::currentQuery() const
{
    history::HistoryQuery query;
    query.field = history::HistoryQuery::Field(std::max(0, m_field->currentIndex()));
    query.text = m_text->text();
    if (m_useDates->isChecked()) {
        query.from = m_from->date();
        query.to = m_to->date();
    }
    query.oldestFirst = m_oldestFirst->isChecked();
    return query;
}

void HistoryWindow::search()
{
    m_typingPause->stop();
    m_status->setText(QStringLiteral("検索中…"));
    m_model->setQuery(currentQuery());
}

void HistoryWindow::refresh()
{
    // Not under the user's hands: a number being typed or scanned is finished first.
    if (m_table->viewport()->findChild<QLineEdit *>()) {
        m_refreshPending = true;
        return;
    }
    m_refreshPending = false;
    const history::HistoryEntry *current = selectedEntry();
    m_keepId = current ? current->id : 0;
    m_model->refresh();
}

void HistoryWindow::onLoaded()
{
    showStatus();
    if (m_keepId == 0)
        return;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->entryAt(row).id == m_keepId) {
            m_table->setCurrentIndex(m_model->index(row, m_table->currentIndex().isValid()
                                                             ? m_table->currentIndex().column()
                                                             : 0));
            break;
        }
    }
    m_keepId = 0;
}

void HistoryWindow::showStatus()
{
    const int rows = m_model->rowCount();
    m_status->setText(m_model->canFetchMore({}) ? QStringLiteral("%1 件以上").arg(rows)
                                                : QStringLiteral("%1 件").arg(rows));
}

void HistoryWindow::editTrackingAt(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, history::HistoryModel::Tracking);
    m_table->setCurrentIndex(index);
    m_table->scrollTo(index);
    m_table->setFocus();
    m_table->edit(index);
}

void HistoryWindow::onTrackingEntered(int row)
{
    if (m_refreshPending) {
        refresh();
        return;
    }
    editTrackingAt(m_model->nextRowWithoutTracking(row));
}

// Said in the help line and kept in the row, never in a box: a box would take the keys
// of the next scan. A refusal found at once keeps the editor on its row; one the
// database found later leaves the person scanning where they are.
void HistoryWindow::onTrackingRefused(int row, const QString &message)
{
    m_status->setText(message);
    QApplication::beep();
    const QList<QLineEdit *> editors = m_table->viewport()->findChildren<QLineEdit *>();
    // A closed editor is hidden at once and deleted later.
    if (std::none_of(editors.begin(), editors.end(), [](const QLineEdit *e) { return e->isVisible(); }))
        editTrackingAt(row);
}

const history::HistoryEntry *HistoryWindow::selectedEntry() const
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid() || current.row() >= m_model->rowCount())
        return nullptr;
    return &m_model->entryAt(current.row());
}

void HistoryWindow::openSelected()
{
    const history::HistoryEntry *entry = selectedEntry();
    if (!entry || !m_actions.openInMainWindow)
        return;
    m_actions.openInMainWindow(entry->printed.slip);
}

void HistoryWindow::printSelected()
{
    const history::HistoryEntry *entry = selectedEntry();
    if (!entry || !m_actions.printDirectly)
        return;
    // The slip as it was printed, with today's date when the date was printed.
    slip::SlipRecord slip = entry->printed.slip;
    slip.shippingDate = QDate::currentDate();
    // Every row was printed once: the reprint question, as for an order printed before.
    m_actions.printDirectly(slip, orders::reprintQuestion(orders::printSubject(entry->orderNumber,
                                                                               entry->printed.slip.destination.name),
                                                          entry->printedAt, entry->station));
}

void HistoryWindow::chooseExport()
{
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("発送済みの書き出し"));
    auto *layouts = new QComboBox(&dialog);
    for (const history::ExportLayoutInfo &info : history::exportLayouts())
        layouts->addItem(info.title, int(info.layout));
    auto *utf8 = new QRadioButton(QStringLiteral("UTF-8（BOM 付き）"), &dialog);
    auto *cp932 = new QRadioButton(QStringLiteral("Shift-JIS（CP932）"), &dialog);
    cp932->setChecked(true);
    auto *encodings = new QHBoxLayout;
    encodings->addWidget(utf8);
    encodings->addWidget(cp932);
    auto *unreported = new QCheckBox(QStringLiteral("まだ報告していない発送だけ（書き出すと「報告済み」になります）"), &dialog);
    unreported->setChecked(true);
    auto *byShop = new QCheckBox(QStringLiteral("ショップごとに別のファイルにする"), &dialog);
    auto *range = new QLabel(m_useDates->isChecked()
                                 ? QStringLiteral("%1 〜 %2 に印刷した、お問い合わせ番号のある発送")
                                       .arg(m_from->date().toString(QStringLiteral("yyyy/MM/dd")),
                                            m_to->date().toString(QStringLiteral("yyyy/MM/dd")))
                                 : QStringLiteral("お問い合わせ番号のあるすべての発送（期間は検索欄で選べます）"),
                             &dialog);
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto *form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("形式"), layouts);
    form->addRow(QStringLiteral("文字コード"), encodings);
    form->addRow(unreported);
    form->addRow(byShop);
    form->addRow(range);
    form->addRow(box);
    connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return;
    history::ShipmentExportOptions options;
    options.layout = history::ExportLayout(layouts->currentData().toInt());
    options.encoding = utf8->isChecked() ? history::ExportEncoding::Utf8WithBom : history::ExportEncoding::Cp932;
    options.unreportedOnly = unreported->isChecked();
    options.splitByShop = byShop->isChecked();
    exportShipments(options);
}

void HistoryWindow::exportShipments(history::ShipmentExportOptions options)
{
    const QString path = m_actions.askSavePath(history::exportLayoutInfo(options.layout).fileName);
    if (path.isEmpty())
        return;
    const history::HistoryQuery query = currentQuery();
    options.from = query.from;
    options.to = query.to;
    m_status->setText(QStringLiteral("書き出し中…"));
    m_database
        .run<history::ShipmentExportResult>([path, options](database::Connection &connection) {
            return history::HistoryStore::exportShipments(connection, path, options);
        })
        .then(this,
              [this](const history::ShipmentExportResult &result) {
                  m_status->setText(QStringLiteral("%1 件を書き出しました: %2").arg(result.shipments).arg(result.files.join(QStringLiteral("、"))));
                  if (result.shipments == 0)
                      platform::notify(QStringLiteral("書き出す発送がありません（注文番号とお問い合わせ番号のある発送だけを書き出します）。"));
                  refresh();
              })
        .onFailed(this, [this](const platform::Error &error) {
            m_status->clear();
            platform::showError(error.message());
        });
}

} // namespace app
