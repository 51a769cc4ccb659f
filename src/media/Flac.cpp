// FLAC titles: the TITLE field of the VORBIS_COMMENT metadata block. The stream may follow one
// or more ID3v2 tags, which some taggers put in front of the "fLaC" signature.
#include <cstdint>
#include <cstring>
#include <string>

#include "media/ByteStream.h"
#include "media/Id3v2.h"
#include "media/ReadBudget.h"
#include "media/Readers.h"
#include "media/VorbisComment.h"

namespace qm::media {
namespace {

constexpr const char* kFormat = "flac";

// ID3v2 tags skipped in front of the signature.
constexpr unsigned kMaxId3Prefixes = 4;
// Metadata blocks examined; real files have a handful (padding, seek table, pictures).
constexpr unsigned kMaxBlocks = 1024;

constexpr unsigned kBlockVorbisComment = 4;
constexpr unsigned kBlockInvalid = 127;

}  // namespace

TitleResult ReadFlacTitle(ByteSource& src, const AnsiDecoder& /*ansi*/) {
    const ReadBudget budget(src);
    std::uint64_t pos = 0;
    for (unsigned i = 0; i < kMaxId3Prefixes; ++i) {
        Id3v2Header id3;
        const StreamStatus s = ReadId3v2Header(src, pos, &id3);
        if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, kFormat);
        if (s != StreamStatus::Ok) break;
        pos += id3.totalSize;
    }
    unsigned char magic[4];
    StreamStatus s = ReadExact(src, pos, magic, sizeof magic);
    if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, kFormat);
    if (s != StreamStatus::Ok || std::memcmp(magic, "fLaC", 4) != 0) {
        return ReaderResult(ReadStatus::NotThisFormat, kFormat);
    }
    pos += 4;

    const std::uint64_t size = src.Size();
    for (unsigned n = 0; n < kMaxBlocks; ++n) {
        if (budget.Exhausted()) return ReaderResult(ReadStatus::Malformed, kFormat);
        unsigned char h[4];
        s = ReadExact(src, pos, h, sizeof h);
        if (s != StreamStatus::Ok) return ReaderResult(ToReadStatus(s), kFormat);
        const unsigned type = h[0] & 0x7Fu;
        const bool last = (h[0] & 0x80u) != 0;
        const std::uint32_t length = (static_cast<std::uint32_t>(h[1]) << 16) |
                                     (static_cast<std::uint32_t>(h[2]) << 8) | h[3];
        pos += 4;
        if (type == kBlockInvalid || length > size - pos)
            return ReaderResult(ReadStatus::Malformed, kFormat);
        if (type == kBlockVorbisComment) {
            RangeStream block(src, pos, pos + length);
            std::u16string title;
            const ReadStatus r = FindVorbisCommentTitle(block, budget, &title);
            return ReaderResult(r, kFormat, std::move(title));
        }
        pos += length;
        if (last) return ReaderResult(ReadStatus::NoTitle, kFormat);
    }
    return ReaderResult(ReadStatus::Malformed, kFormat);
}

}  // namespace qm::media
