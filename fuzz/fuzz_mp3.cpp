// Fuzzes the MP3 (ID3v2/ID3v1) reader over a memory source.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "media/Readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm::media;
    MemorySource src(data, size);
    const TitleResult r = ReadMp3Title(src, DecodeCp1252);
    fuzz::CheckOutcome(r, src);
    return 0;
}
