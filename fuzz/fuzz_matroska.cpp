// Fuzzes the Matroska/WebM reader over a memory source.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return qm::media::fuzz::RunReader(data, size, qm::media::ReadMatroskaTitle);
}
