// Sequential views over parts of a byte source, for metadata whose bytes are not one contiguous
// range of the file (an ID3 tag with unsynchronisation undone, an Ogg packet spread over pages)
// as well as for plain ranges. Parsers written against ByteStream read small pieces and skip the
// rest, so they never need a whole block in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/ByteSource.h"
#include "media/TitleReader.h"

namespace qm::media {

// The most bytes of one title field that any reader takes from a file; longer fields are cut.
constexpr std::size_t kMaxTitleBytes = 64 * 1024;

enum class StreamStatus {
    Ok,
    End,        // the stream (or the source under it) ended before the bytes asked for
    Malformed,  // the framing around the stream is broken or exceeds a limit
    IoError,    // the source failed inside its size
};

// Reads exactly n bytes at offset, telling "outside the source" (End) from a failing medium.
inline StreamStatus ReadExact(ByteSource& src, std::uint64_t offset, void* dst, std::size_t n) {
    const std::uint64_t size = src.Size();
    if (offset > size || n > size - offset) return StreamStatus::End;
    return src.ReadAt(offset, dst, n) ? StreamStatus::Ok : StreamStatus::IoError;
}

// The reader outcome for a stream failure while the metadata was being walked: a truncated or
// broken structure is Malformed, a failing medium IoError.
inline ReadStatus ToReadStatus(StreamStatus s) {
    return s == StreamStatus::IoError ? ReadStatus::IoError : ReadStatus::Malformed;
}

class ByteStream {
  public:
    virtual ~ByteStream() = default;
    // Reads exactly n bytes; on anything but Ok the stream's position is unspecified and the
    // caller stops using it.
    virtual StreamStatus Read(void* dst, std::size_t n) = 0;
    virtual StreamStatus Skip(std::uint64_t n) = 0;
};

// The bytes [begin, end) of a source; an end beyond the source is cut to the source's size, so
// a range that a header claims but the file does not hold ends early.
class RangeStream final : public ByteStream {
  public:
    RangeStream(ByteSource& src, std::uint64_t begin, std::uint64_t end)
        : src_(src), pos_(begin), end_(end < src.Size() ? end : src.Size()) {
        if (pos_ > end_) pos_ = end_;
    }

    std::uint64_t Position() const { return pos_; }
    std::uint64_t Remaining() const { return end_ - pos_; }

    StreamStatus Read(void* dst, std::size_t n) override {
        if (n > end_ - pos_) return StreamStatus::End;
        const StreamStatus s = ReadExact(src_, pos_, dst, n);
        if (s == StreamStatus::Ok) pos_ += n;
        return s;
    }

    StreamStatus Skip(std::uint64_t n) override {
        if (n > end_ - pos_) return StreamStatus::End;
        pos_ += n;
        return StreamStatus::Ok;
    }

  private:
    ByteSource& src_;
    std::uint64_t pos_;
    std::uint64_t end_;
};

}  // namespace qm::media
