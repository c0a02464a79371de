#pragma once

// Shared columns and checks for the data-driven transfer tests.

#include "transfer/pipeline.h"

#include <QStringList>
#include <QTest>

namespace transfercheck {

inline void addColumns()
{
    QTest::addColumn<QStringList>("paste");
    QTest::addColumn<QStringList>("box");
    QTest::addColumn<QString>("zip");
    QTest::addColumn<QString>("add1");
    QTest::addColumn<QString>("add2");
    QTest::addColumn<QString>("custo1");
    QTest::addColumn<QString>("tel");
}

// Runs the transfer on the row's paste and compares the paste box and each field.
inline void checkRow()
{
    QFETCH(QStringList, paste);
    QFETCH(QStringList, box);
    QFETCH(QString, zip);
    QFETCH(QString, add1);
    QFETCH(QString, add2);
    QFETCH(QString, custo1);
    QFETCH(QString, tel);

    const transfer::TransferResult result = transfer::TransferText(paste);
    QVERIFY(result.foundText);
    QCOMPARE(result.pasteBox, box);
    QCOMPARE(result.fields.zip, zip);
    QCOMPARE(result.fields.add1, add1);
    QCOMPARE(result.fields.add2, add2);
    QCOMPARE(result.fields.custo1, custo1);
    QCOMPARE(result.fields.tel, tel);
}

} // namespace transfercheck
