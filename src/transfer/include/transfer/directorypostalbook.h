#pragma once

#include "transfer/smarttransfer.h"

namespace postal {
class PostalDirectory;
} // namespace postal

namespace transfer {

// The program's postal-code data as the smart transfer asks for it.
class DirectoryPostalBook : public PostalBook
{
public:
    explicit DirectoryPostalBook(const postal::PostalDirectory &directory);

    QList<Place> placesOf(QStringView code) const override;
    Verdict check(QStringView code, QStringView address) const override;

    // The program's data (postal::PostalDirectory::instance()); nullptr when it is
    // missing or damaged, so that the transfer decides from the text alone.
    static const PostalBook *programBook();

private:
    const postal::PostalDirectory &m_directory;
};

} // namespace transfer
