#pragma once

#include "postal/addressassist.h"
#include "postal/postaldirectory.h"

#include <QObject>
#include <QPalette>
#include <QString>

class QLabel;
class QLineEdit;

// The postal-code help for one postal-code box and its address lines: leaving the code
// box fills an empty address line 1 (a list when the code covers several places),
// leaving address line 1 fills an empty code box the same way, and every change of
// either checks the pair, colouring the code box and saying on the help line what the
// code stands for. Nothing here blocks typing; without data it only says so, once.
class PostalFields : public QObject
{
    Q_OBJECT
public:
    struct Boxes
    {
        QLineEdit *code;
        QLineEdit *address1;
        QLineEdit *address2; // takes a large office's name when empty
    };
    // `owner` names the pair in the print question: "お届け先", "ご依頼主".
    PostalFields(const postal::PostalDirectory &directory, Boxes boxes, QLabel *helpLine,
                 QString owner, QObject *parent);

    // The pair's problem as one line for the print question, or empty.
    QString problem() const;

    // The object name of the list of choices while it is open.
    static inline const QString kChoicesName = QStringLiteral("postalChoices");
    static inline const QString kUnavailableMessage =
        QStringLiteral("郵便番号データが読めないため、住所の自動入力と郵便番号の確認はできません");

Q_SIGNALS:
    // The pair was checked and the code box coloured for it.
    void checked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool available() const;
    void codeLeft();
    void addressLeft();
    void recheck();
    void offer(const QList<postal::Choice> &choices, QLineEdit *under, bool fillsAddress);
    void fillAddress(const postal::Choice &choice, bool moveFocus);
    void showMessage(const QString &text);

    const postal::PostalDirectory &m_directory;
    Boxes m_boxes;
    QLabel *m_helpLine;
    QString m_owner;
    QPalette m_normalPalette;
    QString m_shownMessage; // our text on the help line, to take back when it is mended
    QString m_helpBefore;
};
