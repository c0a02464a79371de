#include "transfer/directorypostalbook.h"

#include "postal/postaldirectory.h"

namespace transfer {

DirectoryPostalBook::DirectoryPostalBook(const postal::PostalDirectory &directory) : m_directory(directory) {}

QList<PostalBook::Place> DirectoryPostalBook::placesOf(QStringView code) const
{
    QList<Place> places;
    for (const postal::PostalEntry &e : m_directory.lookup(code)) {
        // The three-digit rows stand for a whole district, not for the code.
        if (!e.isFallback())
            places.append({e.prefecture, e.city, e.town});
    }
    return places;
}

PostalBook::Verdict DirectoryPostalBook::check(QStringView code, QStringView address) const
{
    switch (m_directory.check(code, address).result) {
    case postal::CheckResult::Consistent:
        return Verdict::Consistent;
    case postal::CheckResult::Mismatch:
        return Verdict::Mismatch;
    case postal::CheckResult::UnknownCode:
        return Verdict::UnknownCode;
    case postal::CheckResult::NotJudged:
        break;
    }
    return Verdict::NotJudged;
}

const PostalBook *DirectoryPostalBook::programBook()
{
    const postal::PostalDirectory &directory = postal::PostalDirectory::instance();
    if (!directory.isAvailable())
        return nullptr;
    static const DirectoryPostalBook book(directory);
    return &book;
}

} // namespace transfer
