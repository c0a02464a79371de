#pragma once

#include "orders/orderfile.h"
#include "orders/orderstore.h"

namespace database {
class Connection;
}

namespace orders {

// What an import did, for the message after it.
struct ImportReport
{
    struct File
    {
        QString name;
        QString formatName;
        TextEncoding encoding;
        int orders = 0;
        int repaired = 0;
    };
    QList<File> files;
    StoreSummary summary;

    int itemsJoined = 0;  // orders that got their items from an item file
    int itemsWaiting = 0; // order numbers of an item file with no order yet: kept for it

    // 「35 件の注文を追加しました。」, the updated, changed-after-printing and set-aside
    // counts, and one line per file.
    QString text() const;
};

// Reads every file and stores all their orders in one transaction: one bad file and
// nothing of any is stored. An item file's items join the orders of the same format
// and number: of the other files read with it, or stored before; items of orders not
// yet imported are kept for them. Runs on the database's worker (inside Database::run);
// remembered column mappings are looked up there too. Raises ImportError or
// DatabaseError.
ImportReport importFiles(database::Connection &connection, const QStringList &paths,
                         const ReadOptions &options = {});

} // namespace orders
