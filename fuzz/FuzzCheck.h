// What every title-reader fuzz target asserts about one run: only defined outcomes. A reader
// answers one of its five statuses, carries a title only when it found one, keeps the title
// within the cap, and stays within its read budget however the input is shaped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/ByteSource.h"
#include "media/ByteStream.h"
#include "media/Readers.h"
#include "media/ReadBudget.h"
#include "media/TitleReader.h"

namespace qm::media::fuzz {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

// readers: how many readers ran over the source (each has a budget of its own).
inline void CheckOutcome(const TitleResult& r, const ByteSource& src, int readers = 1) {
    switch (r.status) {
        case ReadStatus::Found:
        case ReadStatus::NotThisFormat:
        case ReadStatus::NoTitle:
        case ReadStatus::Malformed:
        case ReadStatus::IoError:
            break;
        default:
            std::abort();
    }
    Require(r.format != nullptr);
    Require(r.status == ReadStatus::Found || r.title.empty());
    // A memory source never fails, so an I/O error would be a reader's mistake.
    Require(r.status != ReadStatus::IoError);
    // UTF-16 never needs more units than the bytes it was decoded from.
    Require(r.title.size() <= kMaxTitleBytes);
    // A budget is checked before each read, so a reader passes it by at most a few reads.
    const std::uint64_t slack = 16;
    Require(src.Reads() <= static_cast<std::uint64_t>(readers) * (ReadBudget::kMaxReads + slack));
}

// One run of a single container reader over the input, as its fuzz target makes it.
inline int RunReader(const std::uint8_t* data, std::size_t size,
                     TitleResult (*reader)(ByteSource&, const AnsiDecoder&)) {
    MemorySource src(data, size);
    CheckOutcome(reader(src, DecodeCp1252), src);
    return 0;
}

}  // namespace qm::media::fuzz
