// MP3 titles: the ID3v2 title frame (TT2 in version 2.2, TIT2 in 2.3 and 2.4) of a tag at the
// start of the file or appended at its end with a footer, else the 30-byte title of an ID3v1
// trailer. Only the tag headers, the frame headers and the title frame's bytes are read, except
// in a 2.2/2.3 tag with tag-wide unsynchronisation, which has to be walked byte by byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "media/ByteStream.h"
#include "media/Bytes.h"
#include "media/Id3v2.h"
#include "media/ReadBudget.h"
#include "media/Readers.h"
#include "media/Text.h"

namespace qm::media {
namespace {

constexpr const char* kFormat = "mp3";

// Frames examined in one tag before the walk gives up.
constexpr unsigned kMaxFrames = 4096;

constexpr std::size_t kId3v1Size = 128;
constexpr std::size_t kId3v1TitleSize = 30;

constexpr unsigned kTagUnsync = 0x80;
constexpr unsigned kTagExtendedHeader = 0x40;  // 2.3, 2.4
constexpr unsigned kTagCompressed22 = 0x40;    // 2.2: no scheme was ever defined
constexpr unsigned kTagFooter = 0x10;          // 2.4

bool IsSyncsafe(const unsigned char* p) {
    return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0;
}

std::uint32_t LoadSyncsafe(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 21) | (static_cast<std::uint32_t>(p[1]) << 14) |
           (static_cast<std::uint32_t>(p[2]) << 7) | static_cast<std::uint32_t>(p[3]);
}

bool IsFrameIdChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsFrameId(const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (!IsFrameIdChar(p[i])) return false;
    }
    return true;
}

// Undoes unsynchronisation in place: every 0xFF 0x00 pair becomes 0xFF.
void Resync(std::string& bytes) {
    std::size_t out = 0;
    bool prevFF = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool drop = prevFF && c == 0x00;
        prevFF = c == 0xFF;
        if (!drop) bytes[out++] = static_cast<char>(c);
    }
    bytes.resize(out);
}

// A 2.2/2.3 tag body with tag-wide unsynchronisation undone. Frame sizes in such tags count
// the resynchronised bytes, so the body can only be walked from its start, as far as the
// reader's budget goes.
class UnsyncStream final : public ByteStream {
  public:
    UnsyncStream(RangeStream& raw, const ReadBudget& budget) : raw_(raw), budget_(budget) {}

    StreamStatus Read(void* dst, std::size_t n) override {
        auto* out = static_cast<unsigned char*>(dst);
        for (std::size_t i = 0; i < n; ++i) {
            const StreamStatus s = NextByte(out + i);
            if (s != StreamStatus::Ok) return s;
        }
        return StreamStatus::Ok;
    }

    StreamStatus Skip(std::uint64_t n) override {
        unsigned char ignored;
        for (std::uint64_t i = 0; i < n; ++i) {
            const StreamStatus s = NextByte(&ignored);
            if (s != StreamStatus::Ok) return s;
        }
        return StreamStatus::Ok;
    }

  private:
    StreamStatus NextByte(unsigned char* b) {
        for (;;) {
            if (pos_ == len_) {
                if (raw_.Remaining() == 0) return StreamStatus::End;
                if (budget_.Exhausted()) return StreamStatus::Malformed;
                const std::uint64_t left = raw_.Remaining();
                const std::size_t n =
                    left < sizeof buf_ ? static_cast<std::size_t>(left) : sizeof buf_;
                const StreamStatus s = raw_.Read(buf_, n);
                if (s != StreamStatus::Ok) return s;
                pos_ = 0;
                len_ = n;
            }
            const unsigned char c = buf_[pos_++];
            const bool drop = prevFF_ && c == 0x00;
            prevFF_ = c == 0xFF;
            if (!drop) {
                *b = c;
                return StreamStatus::Ok;
            }
        }
    }

    RangeStream& raw_;
    const ReadBudget& budget_;
    unsigned char buf_[4096];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool prevFF_ = false;
};

// Length of the first value of a NUL-separated list: up to the first NUL unit.
std::size_t FirstValueLength(const std::string& bytes, std::size_t unit) {
    for (std::size_t i = 0; bytes.size() - i >= unit; i += unit) {
        if (bytes[i] == '\0' && (unit == 1 || bytes[i + 1] == '\0')) return i;
    }
    return bytes.size() - bytes.size() % unit;
}

bool HasBom(const std::string& b) {
    return b.size() >= 2 &&
           ((static_cast<unsigned char>(b[0]) == 0xFF &&
             static_cast<unsigned char>(b[1]) == 0xFE) ||
            (static_cast<unsigned char>(b[0]) == 0xFE && static_cast<unsigned char>(b[1]) == 0xFF));
}

// Decodes the payload of a text frame (encoding byte, then text). False for an unknown
// encoding.
bool DecodeTextFrame(const std::string& payload, std::u16string* out) {
    if (payload.empty()) {
        out->clear();
        return true;
    }
    const auto encoding = static_cast<unsigned char>(payload[0]);
    const std::string text = payload.substr(1);
    switch (encoding) {
        case 0:
            *out = DecodeLatin1(std::string_view(text).substr(0, FirstValueLength(text, 1)));
            return true;
        case 3:
            *out = DecodeUtf8(std::string_view(text).substr(0, FirstValueLength(text, 1)));
            return true;
        case 1:
        case 2: {
            const std::string_view first =
                std::string_view(text).substr(0, FirstValueLength(text, 2));
            // Big-endian without a mark is what 2 declares, but some writers add a mark anyway.
            *out =
                (encoding == 1 || HasBom(text)) ? DecodeUtf16WithBom(first) : DecodeUtf16BE(first);
            return true;
        }
        default:
            return false;
    }
}

// One ID3v2 tag: walks its frames up to the title frame.
class Id3v2TitleReader {
  public:
    Id3v2TitleReader(ByteSource& src, std::uint64_t offset, const Id3v2Header& header,
                     const ReadBudget& budget)
        : src_(src), offset_(offset), h_(header), budget_(budget) {}

    ReadStatus Read(std::u16string* title) {
        if (h_.major < 2 || h_.major > 4) return ReadStatus::NoTitle;
        if (h_.major == 2 && (h_.flags & kTagCompressed22) != 0) return ReadStatus::NoTitle;
        const std::uint64_t bodyBegin = offset_ + 10;
        RangeStream range(src_, bodyBegin, bodyBegin + h_.bodySize);
        if (h_.major < 4 && (h_.flags & kTagUnsync) != 0) {
            UnsyncStream unsync(range, budget_);
            return Walk(unsync, nullptr, title);
        }
        return Walk(range, &range, title);
    }

  private:
    // direct is the same stream as in when its positions are file offsets (no tag-wide
    // unsynchronisation); only then can a frame size be checked against the next frame.
    ReadStatus Walk(ByteStream& in, RangeStream* direct, std::u16string* title) {
        if (h_.major >= 3 && (h_.flags & kTagExtendedHeader) != 0) {
            const ReadStatus r = SkipExtendedHeader(in);
            if (r != ReadStatus::Found) return r;
        }
        const std::size_t headerSize = h_.major == 2 ? 6 : 10;
        const std::size_t idSize = h_.major == 2 ? 3 : 4;
        const char* titleId = h_.major == 2 ? "TT2" : "TIT2";
        for (unsigned frames = 0; frames < kMaxFrames; ++frames) {
            if (budget_.Exhausted()) return ReadStatus::Malformed;
            unsigned char fh[10];
            StreamStatus s = in.Read(fh, headerSize);
            // Fewer bytes than a frame header left: padding or the end of the tag.
            if (s == StreamStatus::End) return ReadStatus::NoTitle;
            if (s != StreamStatus::Ok) return ToReadStatus(s);
            if (fh[0] == 0) return ReadStatus::NoTitle;  // padding
            if (!IsFrameId(fh, idSize)) return ReadStatus::Malformed;

            std::uint32_t size;
            unsigned formatFlags = 0;
            if (h_.major == 2) {
                size = (static_cast<std::uint32_t>(fh[3]) << 16) |
                       (static_cast<std::uint32_t>(fh[4]) << 8) | fh[5];
            } else if (h_.major == 3) {
                size = LoadU32BE(fh + 4);
                formatFlags = fh[9];
            } else {
                formatFlags = fh[9];
                const ReadStatus r = FrameSizeV24(fh + 4, direct, &size);
                if (r != ReadStatus::Found) return r;
            }

            if (std::memcmp(fh, titleId, idSize) != 0) {
                s = in.Skip(size);
                if (s != StreamStatus::Ok) return ToReadStatus(s);
                continue;
            }
            const ReadStatus r = ReadTitleFrame(in, size, formatFlags, title);
            if (r != ReadStatus::NoTitle) return r;
        }
        return ReadStatus::Malformed;
    }

    ReadStatus SkipExtendedHeader(ByteStream& in) {
        unsigned char b[4];
        const StreamStatus s = in.Read(b, sizeof b);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        std::uint32_t rest;
        if (h_.major == 3) {
            rest = LoadU32BE(b);  // the size field does not count itself
        } else {
            if (!IsSyncsafe(b)) return ReadStatus::Malformed;
            const std::uint32_t size = LoadSyncsafe(b);  // counts itself
            if (size < 6) return ReadStatus::Malformed;
            rest = size - 4;
        }
        if (rest > h_.bodySize) return ReadStatus::Malformed;
        const StreamStatus k = in.Skip(rest);
        return k == StreamStatus::Ok ? ReadStatus::Found : ToReadStatus(k);
    }

    // Version 2.4 frame sizes are syncsafe, but some writers stored plain integers. The
    // syncsafe reading is kept unless it lands on something that cannot follow a frame while
    // the plain reading lands on a frame, padding or the tag's end.
    ReadStatus FrameSizeV24(const unsigned char* p, RangeStream* direct, std::uint32_t* size) {
        const std::uint32_t plain = LoadU32BE(p);
        if (!IsSyncsafe(p)) {
            *size = plain;
            return ReadStatus::Found;
        }
        const std::uint32_t safe = LoadSyncsafe(p);
        *size = safe;
        if (safe == plain || direct == nullptr) return ReadStatus::Found;
        bool plausible = false;
        ReadStatus r = FollowedByFrame(*direct, safe, &plausible);
        if (r != ReadStatus::Found || plausible) return r;
        r = FollowedByFrame(*direct, plain, &plausible);
        if (r != ReadStatus::Found) return r;
        if (plausible) *size = plain;
        return ReadStatus::Found;
    }

    ReadStatus FollowedByFrame(RangeStream& in, std::uint32_t size, bool* plausible) {
        *plausible = false;
        const std::uint64_t left = in.Remaining();
        if (size > left) return ReadStatus::Found;
        if (size == left) {
            *plausible = true;
            return ReadStatus::Found;
        }
        unsigned char next[4] = {};
        const std::size_t n = left - size < sizeof next ? 1 : sizeof next;
        const StreamStatus s = ReadExact(src_, in.Position() + size, next, n);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        *plausible = next[0] == 0 || (n == sizeof next && IsFrameId(next, sizeof next));
        return ReadStatus::Found;
    }

    // Reads the title frame whose header was just consumed. NoTitle when the frame cannot be
    // read (compressed, encrypted, unknown encoding): the walk then goes on.
    ReadStatus ReadTitleFrame(ByteStream& in, std::uint32_t size, unsigned formatFlags,
                              std::u16string* title) {
        bool skip = false;
        bool frameUnsync = false;
        std::uint32_t prefix = 0;  // bytes between the header and the text
        if (h_.major == 3) {
            skip = (formatFlags & 0xC0) != 0;            // compressed, encrypted
            if ((formatFlags & 0x20) != 0) prefix += 1;  // group
        } else if (h_.major == 4) {
            skip = (formatFlags & 0x0C) != 0;            // compressed, encrypted
            if ((formatFlags & 0x40) != 0) prefix += 1;  // group
            if ((formatFlags & 0x01) != 0) prefix += 4;  // data length indicator
            frameUnsync = (formatFlags & 0x02) != 0 || (h_.flags & kTagUnsync) != 0;
        }
        if (skip || prefix > size) {
            const StreamStatus s = in.Skip(size);
            return s == StreamStatus::Ok ? ReadStatus::NoTitle : ToReadStatus(s);
        }
        StreamStatus s = in.Skip(prefix);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        const std::uint32_t dataSize = size - prefix;
        // One byte more than the cap keeps room for the encoding byte.
        const std::size_t take = dataSize <= kMaxTitleBytes ? dataSize : kMaxTitleBytes + 1;
        std::string payload(take, '\0');
        s = in.Read(payload.data(), take);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        if (frameUnsync) Resync(payload);
        std::u16string text;
        if (!DecodeTextFrame(payload, &text)) {
            s = in.Skip(dataSize - take);
            return s == StreamStatus::Ok ? ReadStatus::NoTitle : ToReadStatus(s);
        }
        *title = std::move(text);
        return ReadStatus::Found;
    }

    ByteSource& src_;
    std::uint64_t offset_;
    Id3v2Header h_;
    const ReadBudget& budget_;
};

// The first four bytes of an MPEG audio frame: sync, and no reserved version, layer, bitrate
// or sample rate.
bool IsMpegFrameHeader(const unsigned char* p) {
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0 && ((p[1] >> 3) & 3) != 1 &&
           ((p[1] >> 1) & 3) != 0 && (p[2] >> 4) != 0xF && ((p[2] >> 2) & 3) != 3;
}

// The ID3v1 title, cut at its first NUL and stripped of trailing spaces.
std::u16string Id3v1Title(const unsigned char* tag, const AnsiDecoder& ansi) {
    std::size_t n = 0;
    const unsigned char* title = tag + 3;
    while (n < kId3v1TitleSize && title[n] != 0)
        ++n;
    while (n > 0 && title[n - 1] == ' ')
        --n;
    return DecodeUndeclared(std::string_view(reinterpret_cast<const char*>(title), n), ansi);
}

}  // namespace

StreamStatus ReadId3v2Header(ByteSource& src, std::uint64_t offset, Id3v2Header* header) {
    unsigned char b[10];
    const StreamStatus s = ReadExact(src, offset, b, sizeof b);
    if (s != StreamStatus::Ok) return s;
    if (std::memcmp(b, "ID3", 3) != 0 || b[3] == 0xFF || b[4] == 0xFF || !IsSyncsafe(b + 6)) {
        return StreamStatus::Malformed;
    }
    header->major = b[3];
    header->flags = b[5];
    header->bodySize = LoadSyncsafe(b + 6);
    header->totalSize = 10u + static_cast<std::uint64_t>(header->bodySize) +
                        ((b[3] >= 4 && (b[5] & kTagFooter) != 0) ? 10u : 0u);
    return StreamStatus::Ok;
}

TitleResult ReadMp3Title(ByteSource& src, const AnsiDecoder& ansi) {
    const ReadBudget budget(src);
    const std::uint64_t size = src.Size();
    ReadStatus failure = ReadStatus::NoTitle;
    bool emptyTitleFrame = false;  // a title frame that held no text
    std::uint64_t frontEnd = 0;    // end of the tag at the start of the file

    Id3v2Header front;
    StreamStatus s = ReadId3v2Header(src, 0, &front);
    if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, kFormat);
    if (s == StreamStatus::Ok) {
        frontEnd = front.totalSize;
        std::u16string title;
        const ReadStatus r = Id3v2TitleReader(src, 0, front, budget).Read(&title);
        if (r == ReadStatus::IoError) return ReaderResult(r, kFormat);
        if (r == ReadStatus::Found && !title.empty())
            return ReaderResult(r, kFormat, std::move(title));
        if (r == ReadStatus::Found) emptyTitleFrame = true;
        if (r == ReadStatus::Malformed) failure = r;
    } else {
        unsigned char sync[4];
        s = ReadExact(src, 0, sync, sizeof sync);
        if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, kFormat);
        if (s != StreamStatus::Ok || !IsMpegFrameHeader(sync))
            return ReaderResult(ReadStatus::NotThisFormat, kFormat);
    }

    // An ID3v1 trailer, and an ID3v2 tag appended before it (or at the very end) with a footer.
    unsigned char v1[kId3v1Size];
    bool hasV1 = false;
    if (size >= kId3v1Size && size - kId3v1Size >= frontEnd) {
        s = ReadExact(src, size - kId3v1Size, v1, sizeof v1);
        if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, kFormat);
        hasV1 = s == StreamStatus::Ok && std::memcmp(v1, "TAG", 3) == 0;
    }
    const std::uint64_t tailEnd = size - (hasV1 ? kId3v1Size : 0);
    if (tailEnd >= 10 && tailEnd - 10 >= frontEnd) {
        unsigned char footer[10];
        s = ReadExact(src, tailEnd - 10, footer, sizeof footer);
        if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, kFormat);
        if (s == StreamStatus::Ok && std::memcmp(footer, "3DI", 3) == 0 && IsSyncsafe(footer + 6)) {
            const std::uint64_t body = LoadSyncsafe(footer + 6);
            // The tag must lie wholly after the tag at the front.
            if (tailEnd - 10 - frontEnd >= body + 10) {
                const std::uint64_t start = tailEnd - 20 - body;
                Id3v2Header tail;
                s = ReadId3v2Header(src, start, &tail);
                if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, kFormat);
                if (s == StreamStatus::Ok && tail.bodySize == body) {
                    std::u16string title;
                    const ReadStatus r = Id3v2TitleReader(src, start, tail, budget).Read(&title);
                    if (r == ReadStatus::IoError) return ReaderResult(r, kFormat);
                    if (r == ReadStatus::Found && !title.empty()) {
                        return ReaderResult(r, kFormat, std::move(title));
                    }
                    if (r == ReadStatus::Found) emptyTitleFrame = true;
                    if (r == ReadStatus::Malformed) failure = r;
                } else {
                    failure = ReadStatus::Malformed;
                }
            } else {
                failure = ReadStatus::Malformed;
            }
        }
    }

    if (hasV1) {
        std::u16string title = Id3v1Title(v1, ansi);
        if (!title.empty()) return ReaderResult(ReadStatus::Found, kFormat, std::move(title));
    }
    if (emptyTitleFrame) return ReaderResult(ReadStatus::Found, kFormat);
    return ReaderResult(failure, kFormat);
}

}  // namespace qm::media
