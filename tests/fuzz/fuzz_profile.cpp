// libFuzzer entry: the input bytes are a sender profile file "my0.txt". Loads it, saves
// it and loads it again.

#include "fuzzsupport.h"

#include "app/senderprofile.h"
#include "platform/codepage.h"
#include "platform/error.h"

#include <QFile>

#include <cstddef>
#include <cstdint>

namespace {

using app::SenderProfile;

QList<const QString *> fieldsOf(const SenderProfile &p)
{
    return {&p.zip, &p.address1, &p.address2, &p.name, &p.tel};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const app::SenderProfileStore store(fuzz::workFolder());
    const QString path = fuzz::workFolder() + QLatin1Char('/') + app::SenderProfileStore::fileName(0);

    // A missing profile is a file error, not an empty profile.
    static const bool missingChecked = [&] {
        QFile::remove(path);
        try {
            (void)store.load(0);
        } catch (const platform::EFileError &) {
            return true;
        }
        return false;
    }();
    FUZZ_REQUIRE(missingChecked);

    fuzz::writeBytes(path, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const SenderProfile first = store.load(0);
    for (const QString *field : fieldsOf(first))
        FUZZ_REQUIRE(!fuzz::holdsCrOrLf(*field));

    store.save(0, first);
    const QByteArray savedBytes = fuzz::readBytes(path);
    FUZZ_REQUIRE(savedBytes.count("\r\n") == 5);
    FUZZ_REQUIRE(savedBytes.endsWith("\r\n"));

    const SenderProfile second = store.load(0);
    const QList<const QString *> a = fieldsOf(first);
    const QList<const QString *> b = fieldsOf(second);
    for (qsizetype i = 0; i < a.size(); ++i) {
        // Every field survives as it is: a character CP932 lacks (an undecodable byte
        // reads as U+FFFD) is saved as a reference "&#x...;" and read back.
        FUZZ_REQUIRE(*b.at(i) == *a.at(i));
    }

    // Saving what was loaded back changes nothing more.
    store.save(0, second);
    FUZZ_REQUIRE(fuzz::readBytes(path) == savedBytes);
    FUZZ_REQUIRE(store.load(0) == second);
    return 0;
}
