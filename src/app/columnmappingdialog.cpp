#include "columnmappingdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using orders::Field;

ColumnMappingDialog::ColumnMappingDialog(const QString &fileName, const QStringList &header,
                                         const QList<QStringList> &sample, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("列の割り当て - %1").arg(fileName));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("%1 の形式はわかりません。各項目に使う列を選んでください。"
                                                "同じ見出しのファイルには次から自動で使います。").arg(fileName), this));
    auto *preview = new QTableWidget(int(sample.size()), int(header.size()), this);
    preview->setHorizontalHeaderLabels(header);
    for (int r = 0; r < sample.size(); ++r)
        for (int c = 0; c < header.size() && c < sample.at(r).size(); ++c)
            preview->setItem(r, c, new QTableWidgetItem(sample.at(r).at(c)));
    preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview->setMaximumHeight(160);
    layout->addWidget(preview);

    auto *form = new QFormLayout;
    for (int f = 0; f < orders::kFieldCount; ++f) {
        auto *choice = new QComboBox(this);
        choice->addItem(QStringLiteral("（なし）"), -1);
        for (int c = 0; c < header.size(); ++c)
            choice->addItem(QStringLiteral("%1: %2").arg(c + 1).arg(header.at(c)), c);
        // A header that names the field exactly is chosen already.
        const int same = int(header.indexOf(orders::fieldName(Field(f))));
        if (same >= 0)
            choice->setCurrentIndex(same + 1);
        form->addRow(orders::fieldName(Field(f)), choice);
        m_choices << choice;
    }
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto check = [this, buttons] { buttons->button(QDialogButtonBox::Ok)->setEnabled(mapping().isValid()); };
    for (QComboBox *choice : m_choices)
        connect(choice, &QComboBox::currentIndexChanged, this, check);
    check();
}

orders::ColumnMapping ColumnMappingDialog::mapping() const
{
    orders::ColumnMapping result;
    for (int f = 0; f < m_choices.size(); ++f) {
        const int column = m_choices.at(f)->currentData().toInt();
        if (column >= 0)
            result.columns[Field(f)] = {column};
    }
    return result;
}
