// RIFF titles (AVI, WAV and its 64-bit form RF64): the INAM chunk of a LIST 'INFO', found in
// the first RIFF form only (the 'AVIX' forms of large AVI files that follow it hold media).
// Chunk headers are read and payloads stepped over by their sizes; 'movi' lists and 'data'
// chunks are never read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "media/ByteStream.h"
#include "media/Bytes.h"
#include "media/ReadBudget.h"
#include "media/Readers.h"
#include "media/Text.h"

namespace qm::media {
namespace {

// LIST levels entered below the form: AVI keeps INFO at the top or inside 'hdrl'.
constexpr unsigned kMaxListDepth = 4;
// Entries of the RF64 size table kept; writers use one or two.
constexpr std::size_t kMaxDs64Entries = 16;
constexpr std::size_t kDs64FixedSize = 28;  // RIFF size, data size, sample count, table length
constexpr std::size_t kDs64EntrySize = 12;  // chunk id, 64-bit size

constexpr std::uint32_t kUnknownSize32 = 0xFFFFFFFF;

bool IdIs(const unsigned char* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// Chunk ids are four printable ASCII characters.
bool IsPlausibleId(const unsigned char* p) {
    for (int i = 0; i < 4; ++i) {
        if (p[i] < 0x20 || p[i] > 0x7E) return false;
    }
    return true;
}

class RiffWalker {
  public:
    RiffWalker(ByteSource& src, const AnsiDecoder& ansi) : src_(src), ansi_(ansi), budget_(src) {}

    // Sets up RF64 sizes from the 'ds64' chunk at offset (the first chunk of an RF64 form).
    // Gives the 64-bit form size, or Malformed.
    ReadStatus ReadDs64(std::uint64_t offset, std::uint64_t* riffSize) {
        unsigned char h[8];
        StreamStatus s = ReadExact(src_, offset, h, sizeof h);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        const std::uint32_t size = LoadU32LE(h + 4);
        if (!IdIs(h, "ds64") || size < 24) return ReadStatus::Malformed;
        const std::size_t want = kDs64FixedSize + kMaxDs64Entries * kDs64EntrySize;
        const std::size_t take = size < want ? size : want;
        unsigned char body[kDs64FixedSize + kMaxDs64Entries * kDs64EntrySize] = {};
        s = ReadExact(src_, offset + 8, body, take);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        *riffSize = LoadU64LE(body);
        rf64_ = true;
        dataSize64_ = LoadU64LE(body + 8);
        if (take >= kDs64FixedSize) {
            const std::uint32_t count = LoadU32LE(body + 24);
            const std::size_t held = (take - kDs64FixedSize) / kDs64EntrySize;
            for (std::size_t i = 0; i < held && i < count; ++i) {
                const unsigned char* e = body + kDs64FixedSize + i * kDs64EntrySize;
                table_.push_back(Ds64Entry{{e[0], e[1], e[2], e[3]}, LoadU64LE(e + 4)});
            }
        }
        return ReadStatus::Found;
    }

    // Walks the chunks of [begin, end). Found as soon as an INAM inside a LIST 'INFO' is read.
    ReadStatus Walk(std::uint64_t begin, std::uint64_t end, unsigned depth, bool inInfo) {
        std::uint64_t pos = begin;
        while (end - pos >= 8) {
            // A file of tiny chunks runs out of budget rather than costing thousands of reads.
            if (budget_.Exhausted()) return ReadStatus::Malformed;
            unsigned char h[12];
            StreamStatus s = ReadExact(src_, pos, h, 8);
            if (s != StreamStatus::Ok) return ToReadStatus(s);
            // A following RIFF form (AVI 'AVIX') when the first form's size was unknown.
            if (depth == 0 && (IdIs(h, "RIFF") || IdIs(h, "RF64"))) return ReadStatus::NoTitle;
            if (!IsPlausibleId(h)) return ReadStatus::Malformed;
            const std::uint64_t size = ChunkSize(h);
            const std::uint64_t payload = pos + 8;
            if (size > end - payload) return ReadStatus::Malformed;

            if (inInfo && IdIs(h, "INAM")) return ReadInam(payload, size);
            if (!inInfo && IdIs(h, "LIST") && size >= 4) {
                s = ReadExact(src_, payload, h + 8, 4);
                if (s != StreamStatus::Ok) return ToReadStatus(s);
                const unsigned char* type = h + 8;
                ReadStatus r = ReadStatus::NoTitle;
                if (IdIs(type, "INFO")) {
                    r = Walk(payload + 4, payload + size, depth + 1, true);
                } else if (!IdIs(type, "movi") && !IdIs(type, "rec ") &&
                           depth + 1 < kMaxListDepth) {
                    r = Walk(payload + 4, payload + size, depth + 1, false);
                }
                if (r != ReadStatus::NoTitle) return r;
            }

            const ReadStatus r = NextChunk(payload, size, end, &pos);
            if (r != ReadStatus::Found) return r;
        }
        return ReadStatus::NoTitle;
    }

    std::u16string TakeTitle() { return std::move(title_); }

  private:
    struct Ds64Entry {
        unsigned char id[4];
        std::uint64_t size;
    };

    std::uint64_t ChunkSize(const unsigned char* h) const {
        const std::uint32_t size = LoadU32LE(h + 4);
        if (!rf64_ || size != kUnknownSize32) return size;
        if (IdIs(h, "data")) return dataSize64_;
        for (const Ds64Entry& e : table_) {
            if (IdIs(h, reinterpret_cast<const char*>(e.id))) return e.size;
        }
        return size;
    }

    // The position after a chunk. Odd-sized chunks are followed by a pad byte, which some
    // writers leave out: when no plausible chunk header follows the pad but one follows the
    // chunk directly, the pad is taken to be missing.
    ReadStatus NextChunk(std::uint64_t payload, std::uint64_t size, std::uint64_t end,
                         std::uint64_t* next) {
        const std::uint64_t unpadded = payload + size;
        *next = unpadded;
        if ((size & 1) == 0) return ReadStatus::Found;
        if (end - unpadded < 1) return ReadStatus::Found;
        bool padded = false, direct = false;
        ReadStatus r = PlausibleHeaderAt(unpadded + 1, end, &padded);
        if (r != ReadStatus::Found) return r;
        if (!padded) {
            r = PlausibleHeaderAt(unpadded, end, &direct);
            if (r != ReadStatus::Found) return r;
        }
        if (!direct) *next = unpadded + 1;
        return ReadStatus::Found;
    }

    ReadStatus PlausibleHeaderAt(std::uint64_t pos, std::uint64_t end, bool* plausible) {
        *plausible = false;
        if (end - pos < 8) return ReadStatus::Found;
        unsigned char h[8];
        const StreamStatus s = ReadExact(src_, pos, h, sizeof h);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        *plausible = IsPlausibleId(h) && ChunkSize(h) <= end - pos - 8;
        return ReadStatus::Found;
    }

    // INFO text carries no declared encoding; it ends at its first NUL.
    ReadStatus ReadInam(std::uint64_t payload, std::uint64_t size) {
        const std::size_t take =
            size < kMaxTitleBytes ? static_cast<std::size_t>(size) : kMaxTitleBytes;
        std::string bytes(take, '\0');
        const StreamStatus s = ReadExact(src_, payload, bytes.data(), take);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        const std::size_t nul = bytes.find('\0');
        if (nul != std::string::npos) bytes.resize(nul);
        title_ = TrimTrailingNuls(DecodeUndeclared(bytes, ansi_));
        return ReadStatus::Found;
    }

    ByteSource& src_;
    const AnsiDecoder& ansi_;
    bool rf64_ = false;
    std::uint64_t dataSize64_ = 0;
    std::vector<Ds64Entry> table_;
    const ReadBudget budget_;
    std::u16string title_;
};

}  // namespace

TitleResult ReadRiffTitle(ByteSource& src, const AnsiDecoder& ansi) {
    unsigned char h[12];
    const StreamStatus s = ReadExact(src, 0, h, sizeof h);
    if (s == StreamStatus::IoError) return ReaderResult(ReadStatus::IoError, "");
    if (s != StreamStatus::Ok) return ReaderResult(ReadStatus::NotThisFormat, "");
    const bool rf64 = IdIs(h, "RF64") || IdIs(h, "BW64");
    if (!IdIs(h, "RIFF") && !rf64) return ReaderResult(ReadStatus::NotThisFormat, "");
    const char* format = nullptr;
    if (IdIs(h + 8, "AVI ") && !rf64) {
        format = "avi";
    } else if (IdIs(h + 8, "WAVE")) {
        format = "wav";
    } else {
        return ReaderResult(ReadStatus::NotThisFormat, "");
    }

    RiffWalker walker(src, ansi);
    const std::uint64_t fileSize = src.Size();
    std::uint64_t riffSize = LoadU32LE(h + 4);
    if (rf64) {
        const ReadStatus r = walker.ReadDs64(12, &riffSize);
        if (r != ReadStatus::Found) return ReaderResult(r, format);
    } else if (riffSize == 0 || riffSize == kUnknownSize32) {
        riffSize = fileSize - 8;  // left unfinished by a writer that could not seek back
    }
    if (riffSize < 4) return ReaderResult(ReadStatus::Malformed, format);
    // A form longer than the file is read as far as the file goes.
    const std::uint64_t end = riffSize > fileSize - 8 ? fileSize : 8 + riffSize;
    const ReadStatus r = walker.Walk(12, end, 0, false);
    return ReaderResult(r, format, walker.TakeTitle());
}

}  // namespace qm::media
