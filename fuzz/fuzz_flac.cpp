// Fuzzes the FLAC reader over a memory source.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "media/Readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm::media;
    MemorySource src(data, size);
    const TitleResult r = ReadFlacTitle(src, DecodeCp1252);
    fuzz::CheckOutcome(r, src);
    return 0;
}
