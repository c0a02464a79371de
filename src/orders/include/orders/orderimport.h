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

    // 「2 件のファイルから 35 件の注文を追加しました（既にあった注文 3 件）」 and one line per file.
    QString text() const;
};

// Reads every file and stores all their orders in one transaction: one bad file and
// nothing of any is stored. Runs on the database's worker (inside Database::run);
// remembered column mappings are looked up there too. Raises ImportError or
// DatabaseError.
ImportReport importFiles(database::Connection &connection, const QStringList &paths,
                         const ReadOptions &options = {});

} // namespace orders
