#pragma once

#include "orders/formats.h"

#include <QDialog>
#include <QList>

class QComboBox;

// Asks which columns of an unknown order file hold which field: one list per field
// (a field made of several columns, such as the address, takes them from the
// prefecture, city and address fields in that order), with the first rows as preview.
class ColumnMappingDialog : public QDialog
{
    Q_OBJECT
public:
    ColumnMappingDialog(const QString &fileName, const QStringList &header, const QList<QStringList> &sample,
                        QWidget *parent = nullptr);

    orders::ColumnMapping mapping() const;

private:
    QList<QComboBox *> m_choices;  // by field; item data: column, -1 none
};
