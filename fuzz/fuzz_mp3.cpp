// Fuzzes the MP3 (ID3v2/ID3v1) reader over a memory source.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return qm::media::fuzz::RunReader(data, size, qm::media::ReadMp3Title);
}
