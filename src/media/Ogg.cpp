// Ogg titles: the TITLE field of the comment header, the second packet of a logical stream
// that carries Vorbis, Opus, FLAC or Theora. The streams are tried in the order of their first
// pages, and the first one whose comments hold a non-empty TITLE gives it (muxers such as
// ffmpeg copy the title into every stream; a video file's Theora stream usually comes first).
// Only page headers and the comment packets' field names and title are read; a packet may span
// any number of pages, and pages of other streams multiplexed between them are stepped over.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "media/ByteStream.h"
#include "media/Bytes.h"
#include "media/ReadBudget.h"
#include "media/Readers.h"
#include "media/VorbisComment.h"

namespace qm::media {
namespace {

constexpr const char* kFormat = "ogg";

// Pages examined per file, counting the pages of every stream.
constexpr unsigned kMaxPages = 1024;
// Size of the comment packet walked through; cover art stored as a comment makes packets of
// several megabytes, which are skipped over rather than read.
constexpr std::uint64_t kMaxPacketBytes = 16u << 20;

constexpr std::size_t kPageHeaderSize = 27;
constexpr std::size_t kMaxSegments = 255;

constexpr unsigned kFlagContinued = 0x01;
constexpr unsigned kFlagFirstPage = 0x02;

enum class Codec { None, Vorbis, Opus, Flac, Theora };

struct Page {
    std::uint64_t offset = 0;
    unsigned flags = 0;
    std::uint32_t serial = 0;
    std::size_t segments = 0;
    unsigned char lacing[kMaxSegments] = {};
    std::uint64_t bodyOffset = 0;
    std::uint64_t bodySize = 0;
    std::uint64_t next = 0;  // offset of the following page
};

// Reads the page header at offset. Malformed when no page starts there.
StreamStatus ReadPage(ByteSource& src, std::uint64_t offset, Page* page) {
    unsigned char h[kPageHeaderSize];
    StreamStatus s = ReadExact(src, offset, h, sizeof h);
    if (s != StreamStatus::Ok) return s;
    if (std::memcmp(h, "OggS", 4) != 0 || h[4] != 0) return StreamStatus::Malformed;
    page->offset = offset;
    page->flags = h[5];
    page->serial = LoadU32LE(h + 14);
    page->segments = h[26];
    s = ReadExact(src, offset + kPageHeaderSize, page->lacing, page->segments);
    if (s != StreamStatus::Ok) return s;
    page->bodyOffset = offset + kPageHeaderSize + page->segments;
    page->bodySize = 0;
    for (std::size_t i = 0; i < page->segments; ++i)
        page->bodySize += page->lacing[i];
    page->next = page->bodyOffset + page->bodySize;
    return StreamStatus::Ok;
}

// The bytes of one packet of one logical stream, gathered from its pages' segments.
class PacketStream final : public ByteStream {
  public:
    PacketStream(ByteSource& src, const Page& first, unsigned* pagesSeen)
        : src_(src), page_(first), pagesSeen_(*pagesSeen) {}

    // Moves to the start of the packet with the given index, counting from the first packet
    // that begins on the first page.
    StreamStatus SeekPacket(unsigned index) {
        for (unsigned ended = 0; ended < index;) {
            const StreamStatus s = NextSegment();
            if (s != StreamStatus::Ok) return s;
            dataPos_ += segLeft_;
            segLeft_ = 0;
            if (lastEnded_) ++ended;
        }
        inPacket_ = false;
        total_ = 0;
        return StreamStatus::Ok;
    }

    StreamStatus Read(void* dst, std::size_t n) override {
        auto* out = static_cast<unsigned char*>(dst);
        while (n > 0) {
            const StreamStatus s = Fill();
            if (s != StreamStatus::Ok) return s;
            const std::size_t k = segLeft_ < n ? segLeft_ : n;
            const StreamStatus r = ReadExact(src_, dataPos_, out, k);
            if (r != StreamStatus::Ok) return r;
            Consume(k);
            out += k;
            n -= k;
        }
        return StreamStatus::Ok;
    }

    StreamStatus Skip(std::uint64_t n) override {
        while (n > 0) {
            const StreamStatus s = Fill();
            if (s != StreamStatus::Ok) return s;
            const std::size_t k = segLeft_ < n ? segLeft_ : static_cast<std::size_t>(n);
            Consume(k);
            n -= k;
        }
        return StreamStatus::Ok;
    }

  private:
    // Makes segment bytes of the current packet available, or reports its end.
    StreamStatus Fill() {
        while (segLeft_ == 0) {
            if (inPacket_ && lastEnded_) return StreamStatus::End;
            const StreamStatus s = NextSegment();
            if (s != StreamStatus::Ok) return s;
            inPacket_ = true;
        }
        return StreamStatus::Ok;
    }

    void Consume(std::size_t k) {
        dataPos_ += k;
        segLeft_ -= k;
        total_ += k;
    }

    // Takes the next lacing value of the stream, loading its next page when this one is used
    // up. A packet cut off by a page that does not continue it is Malformed.
    StreamStatus NextSegment() {
        if (total_ > kMaxPacketBytes) return StreamStatus::Malformed;
        const bool midPacket = !lastEnded_;
        if (!started_) {
            started_ = true;
            segIndex_ = 0;
            dataPos_ = page_.bodyOffset;
        }
        while (segIndex_ == page_.segments) {
            const std::uint32_t serial = page_.serial;
            do {
                if (++pagesSeen_ > kMaxPages) return StreamStatus::Malformed;
                const StreamStatus s = ReadPage(src_, page_.next, &page_);
                if (s != StreamStatus::Ok) return s;
            } while (page_.serial != serial);
            if (((page_.flags & kFlagContinued) != 0) != midPacket) return StreamStatus::Malformed;
            segIndex_ = 0;
            dataPos_ = page_.bodyOffset;
        }
        segLeft_ = page_.lacing[segIndex_++];
        lastEnded_ = segLeft_ < 255;
        return StreamStatus::Ok;
    }

    ByteSource& src_;
    Page page_;
    unsigned& pagesSeen_;
    bool started_ = false;
    std::size_t segIndex_ = 0;
    std::uint64_t dataPos_ = 0;
    std::size_t segLeft_ = 0;
    bool lastEnded_ = true;  // the last segment taken ended a packet (or none was taken)
    bool inPacket_ = false;  // a segment of the packet being read was taken
    std::uint64_t total_ = 0;
};

Codec IdentifyCodec(const unsigned char* p, std::size_t n) {
    if (n >= 7 && std::memcmp(p, "\x01vorbis", 7) == 0) return Codec::Vorbis;
    if (n >= 7 && std::memcmp(p, "\x80theora", 7) == 0) return Codec::Theora;
    if (n >= 8 && std::memcmp(p, "OpusHead", 8) == 0) return Codec::Opus;
    if (n >= 5 && std::memcmp(p,
                              "\x7F"
                              "FLAC",
                              5) == 0)
        return Codec::Flac;
    return Codec::None;
}

// Consumes the n bytes of a comment packet's magic; Malformed when they are not `magic`.
ReadStatus ExpectMagic(PacketStream& packet, const char* magic, std::size_t n) {
    unsigned char m[8];
    const StreamStatus s = packet.Read(m, n);
    if (s != StreamStatus::Ok) return ToReadStatus(s);
    return std::memcmp(m, magic, n) == 0 ? ReadStatus::Found : ReadStatus::Malformed;
}

// Checks and consumes what precedes the comment list in the comment packet.
ReadStatus SkipCommentMagic(PacketStream& packet, Codec codec) {
    switch (codec) {
        case Codec::Vorbis:
            return ExpectMagic(packet, "\x03vorbis", 7);
        case Codec::Theora:
            // The comment list follows without Vorbis's closing framing bit, which is not read.
            return ExpectMagic(packet, "\x81theora", 7);
        case Codec::Opus:
            return ExpectMagic(packet, "OpusTags", 8);
        case Codec::Flac: {
            // A FLAC metadata block header; the mapping puts VORBIS_COMMENT first.
            unsigned char h[4];
            const StreamStatus s = packet.Read(h, sizeof h);
            if (s != StreamStatus::Ok) return ToReadStatus(s);
            return (h[0] & 0x7F) == 4 ? ReadStatus::Found : ReadStatus::NoTitle;
        }
        case Codec::None:
            break;
    }
    return ReadStatus::NoTitle;
}

// Reads the comment header of the stream whose first page is bos.
ReadStatus ReadStreamTitle(ByteSource& src, const Page& bos, Codec codec, const ReadBudget& budget,
                           unsigned* pagesSeen, std::u16string* title) {
    PacketStream packet(src, bos, pagesSeen);
    const StreamStatus s = packet.SeekPacket(1);
    if (s != StreamStatus::Ok) return ToReadStatus(s);
    const ReadStatus r = SkipCommentMagic(packet, codec);
    if (r != ReadStatus::Found) return r;
    return FindVorbisCommentTitle(packet, budget, title);
}

}  // namespace

TitleResult ReadOggTitle(ByteSource& src, const AnsiDecoder& /*ansi*/) {
    const ReadBudget budget(src);
    Page page;
    StreamStatus s = ReadPage(src, 0, &page);
    if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, kFormat);
    if (s != StreamStatus::Ok) return ReaderResult(ReadStatus::NotThisFormat, kFormat);

    // The first pages of a physical stream are the first pages of its logical streams, each
    // holding just the stream's identification packet. Every page visited, the comment
    // packets' pages included, counts against one limit for the file.
    unsigned pagesSeen = 1;
    ReadStatus outcome = ReadStatus::NoTitle;  // the answer when no stream gives a title
    while ((page.flags & kFlagFirstPage) != 0) {
        unsigned char id[8];
        const std::size_t idSize =
            page.segments > 0 && page.lacing[0] < sizeof id ? page.lacing[0] : sizeof id;
        if (page.bodySize >= idSize) {
            s = ReadExact(src, page.bodyOffset, id, idSize);
            if (s != StreamStatus::Ok) return ReaderResult(ToReadStatus(s), kFormat);
            const Codec codec = IdentifyCodec(id, idSize);
            if (codec != Codec::None) {
                std::u16string title;
                const ReadStatus r = ReadStreamTitle(src, page, codec, budget, &pagesSeen, &title);
                if (r == ReadStatus::IoError) return ReaderResult(r, kFormat);
                if (r == ReadStatus::Found && !title.empty())
                    return ReaderResult(r, kFormat, std::move(title));
                // An empty TITLE beats none; a broken stream makes the file malformed unless
                // another stream has a title.
                if (r == ReadStatus::Found || outcome == ReadStatus::NoTitle) outcome = r;
            }
        }
        if (++pagesSeen > kMaxPages) return ReaderResult(ReadStatus::Malformed, kFormat);
        s = ReadPage(src, page.next, &page);
        if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, kFormat);
        if (s != StreamStatus::Ok) break;
    }
    return ReaderResult(outcome, kFormat);
}

}  // namespace qm::media
