// libFuzzer entry: the input bytes are UTF-16 code units of a pasted text.
// Built with -DMEKIRA_BUILD_FUZZERS=ON and clang++; scripts/fuzz.sh runs it.

#include "transfer/pipeline.h"
#include "transfer/texthelpers.h"

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

void checkTransfer(const QStringList &paste)
{
    const transfer::TransferResult result = transfer::TransferText(paste);
    if (!result.foundText) {
        require(result.pasteBox.isEmpty());
        require(result.fields == transfer::DestinationFields{});
        return;
    }
    require(result.pasteBox.size() == transfer::kWorkingLineCount);
    for (const QString &line : result.pasteBox)
        require(!transfer::holdsLineBreak(line));
    const transfer::DestinationFields &f = result.fields;
    for (const QString *field : {&f.zip, &f.add1, &f.add2, &f.custo1, &f.tel})
        require(!transfer::holdsLineBreak(*field));
    require(f.zip.isEmpty() || f.zip.size() == transfer::kZipHeadLength);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, (size / 2) * 2);

    checkTransfer(transfer::SplitPasteLines(text));
    checkTransfer({text});

    const QString half = transfer::ToHalfWidth(text);
    require(half.size() <= transfer::kHalfWidthMaxLength);
    require(transfer::ToHalfWidth(half) == half);
    (void)transfer::LeadingNumber(text);
    (void)transfer::StrToIntZero(text);
    (void)transfer::TrimAllSpaces(text);
    return 0;
}
