// libFuzzer entry for the smart transfer: the input bytes are UTF-16 code units of a
// pasted text. Built with -DMEKIRA_BUILD_FUZZERS=ON and clang++; scripts/fuzz.sh runs it.

#include "transfer/pipeline.h"
#include "transfer/smarttransfer.h"

#include <QSet>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Full-width ASCII forms as their ordinary forms: the width normalisation of postal
// codes and telephones.
char16_t narrow(char16_t u)
{
    return (u >= 0xFF01 && u <= 0xFF5E) ? char16_t(u - 0xFEE0) : u;
}

void checkTransfer(const QString &text)
{
    const transfer::SmartTransferResult result = transfer::SmartTransfer(text);
    QSet<char16_t> pasted;
    for (QChar c : text) {
        pasted.insert(c.unicode());
        pasted.insert(narrow(c.unicode()));
    }
    bool anyValue = false;
    for (std::size_t f = 0; f < transfer::kSmartFieldCount; ++f) {
        const transfer::SmartFieldResult &field = result.fields[f];
        anyValue = anyValue || !field.value.isEmpty();
        require(!transfer::holdsLineBreak(field.value));
        require(field.value.isEmpty() == field.sources.isEmpty());
        for (const transfer::TextSpan &span : field.sources)
            require(span.start >= 0 && span.length > 0 && span.start + span.length <= text.size());
        const bool telephone = f == std::size_t(transfer::SmartField::Tel);
        for (QChar c : field.value) {
            // Inserted hyphens, joining blanks and the trunk zero of a "+81" number.
            const bool inserted = c == u'-' || c == u' ' || c == u'\u3000' || (telephone && c == u'0');
            require(inserted || pasted.contains(c.unicode()));
        }
    }
    require(result.foundText == anyValue);
    require(result[transfer::SmartField::Custo1].value.size() <= transfer::kNameMaxLength);
    const QString zip = result[transfer::SmartField::Zip].value;
    require(zip.isEmpty() || (zip.size() == 8 && zip.at(3) == u'-'));
    // The same text again: the same fields.
    require(transfer::SmartTransfer(text).destination() == result.destination());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, (size / 2) * 2);
    checkTransfer(text);
    return 0;
}
