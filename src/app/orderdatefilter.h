#pragma once

#include <QDate>
#include <QWidget>

class QCheckBox;
class QDateEdit;

// 「注文日」 from … to …: the order list's date filter. Off, it filters nothing.
class OrderDateFilter : public QWidget
{
    Q_OBJECT
public:
    explicit OrderDateFilter(QWidget *parent = nullptr);
    // Invalid dates when the filter is off.
    QDate from() const;
    QDate to() const;

Q_SIGNALS:
    void changed();

private:
    QCheckBox *m_enabled = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
};
