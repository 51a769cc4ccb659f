// A bound on the work one reader does on one file. Container structure can send a reader round
// and round (thousands of tiny boxes, chains of seek entries); the budget caps how many reads it
// makes and how many bytes it takes, whatever the file claims, so the cost per file stays small
// and independent of the file's size.
#pragma once

#include <cstdint>

#include "media/ByteSource.h"

namespace qm::media {

class ReadBudget {
  public:
    static constexpr std::uint64_t kMaxReads = 16384;
    static constexpr std::uint64_t kMaxBytes = 1024 * 1024;

    explicit ReadBudget(const ByteSource& src)
        : src_(src), firstRead_(src.Reads()), firstByte_(src.BytesRead()) {}

    bool Exhausted() const {
        return src_.Reads() - firstRead_ > kMaxReads || src_.BytesRead() - firstByte_ > kMaxBytes;
    }

  private:
    const ByteSource& src_;
    std::uint64_t firstRead_;
    std::uint64_t firstByte_;
};

}  // namespace qm::media
