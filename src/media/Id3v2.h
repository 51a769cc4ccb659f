// ID3v2 tag headers, shared by the MP3 reader and by FLAC files that carry an ID3v2 tag in
// front of their own signature.
#pragma once

#include <cstdint>

#include "media/ByteSource.h"
#include "media/ByteStream.h"

namespace qm::media {

struct Id3v2Header {
    unsigned major = 0;           // 2, 3 or 4 for the versions with known frames
    unsigned flags = 0;           // header flags byte
    std::uint32_t bodySize = 0;   // bytes after the 10-byte header, footer excluded
    std::uint64_t totalSize = 0;  // header, body and footer
};

// Reads the ID3v2 header at offset. Ok: *header is filled. End: too few bytes there.
// Malformed: no valid ID3v2 header there (signature, version or syncsafe size wrong).
// IoError: the source failed.
StreamStatus ReadId3v2Header(ByteSource& src, std::uint64_t offset, Id3v2Header* header);

}  // namespace qm::media
