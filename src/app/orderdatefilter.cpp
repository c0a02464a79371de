#include "orderdatefilter.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>

OrderDateFilter::OrderDateFilter(QWidget *parent) : QWidget(parent)
{
    m_enabled = new QCheckBox(QStringLiteral("注文日"), this);
    const QDate today = QDate::currentDate();
    m_from = new QDateEdit(today.addDays(-7), this);
    m_to = new QDateEdit(today, this);
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        edit->setEnabled(false);
    }
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_enabled);
    layout->addWidget(m_from);
    layout->addWidget(new QLabel(QStringLiteral("〜"), this));
    layout->addWidget(m_to);
    connect(m_enabled, &QCheckBox::toggled, this, [this](bool on) {
        m_from->setEnabled(on);
        m_to->setEnabled(on);
        Q_EMIT changed();
    });
    connect(m_from, &QDateEdit::dateChanged, this, &OrderDateFilter::changed);
    connect(m_to, &QDateEdit::dateChanged, this, &OrderDateFilter::changed);
}

QDate OrderDateFilter::from() const
{
    return m_enabled->isChecked() ? m_from->date() : QDate();
}

QDate OrderDateFilter::to() const
{
    return m_enabled->isChecked() ? m_to->date() : QDate();
}
