// Fuzzes the whole title reader: every container reader in turn over a memory source, as the
// program calls it.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "media/TitleReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm::media;
    constexpr int kReaders = 7;  // every reader may run before one claims the input
    MemorySource src(data, size);
    const TitleResult r = ReadTitleDetailed(src);
    fuzz::CheckOutcome(r, src, kReaders);
    // The short form agrees with the detailed one.
    MemorySource again(data, size);
    fuzz::Require(ReadTitle(again) == r.title);
    return 0;
}
