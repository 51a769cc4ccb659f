// MP4 and QuickTime (MP4, M4V, M4A, MOV, 3GP). The title is, in this order of preference:
//   - the iTunes-style item moov/udta/meta/ilst/©nam (also found as moov/meta/ilst/©nam);
//   - the QuickTime text item moov/udta/©nam;
//   - the QuickTime metadata key "com.apple.quicktime.title" (ffmpeg writes it as "title"): a
//     meta whose hdlr says "mdta" names its keys in a keys box, and its ilst items are typed by
//     1-based indexes into that list instead of by four-character codes;
//   - the 3GPP asset title moov/udta/titl.
// The first of them that holds a non-empty text wins. The reader walks box headers only: it
// never reads mdat or trak contents, finds moov wherever it lies at the top level (also after a
// multi-gigabyte mdat), and descends only along the fixed paths above, so its depth is bounded
// by construction.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "media/ByteStream.h"
#include "media/Bytes.h"
#include "media/NestedReader.h"
#include "media/Readers.h"
#include "media/Text.h"

namespace qm::media {

namespace {

constexpr std::uint32_t FourCc(const char (&s)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[3]));
}

constexpr std::uint32_t kMoov = FourCc("moov");
constexpr std::uint32_t kUdta = FourCc("udta");
constexpr std::uint32_t kMeta = FourCc("meta");
constexpr std::uint32_t kIlst = FourCc("ilst");
constexpr std::uint32_t kData = FourCc("data");
constexpr std::uint32_t kHdlr = FourCc("hdlr");
constexpr std::uint32_t kKeys = FourCc("keys");
constexpr std::uint32_t kMdta = FourCc("mdta");  // handler of keyed metadata; key namespace
constexpr std::uint32_t kTitl = FourCc("titl");
constexpr std::uint32_t kName = 0xA96E616Du;  // "©nam": 0xA9 is "©" in Mac Roman

// Metadata key names that stand for the title, compared without regard to ASCII letter case.
constexpr std::string_view kTitleKeys[] = {"com.apple.quicktime.title", "title"};
constexpr std::size_t kLongestTitleKey = kTitleKeys[0].size();

// Box types an MP4 or QuickTime file begins with. Anything else is not this format.
constexpr std::uint32_t kFirstBoxTypes[] = {
    FourCc("ftyp"), FourCc("moov"), FourCc("mdat"), FourCc("free"),
    FourCc("skip"), FourCc("wide"), FourCc("pnot"),
};

// Sibling boxes walked in one parent (the top level included); more make the file malformed.
constexpr int kMaxBoxesPerParent = 4096;

// The smallest box header: 32-bit size and type. Fewer bytes left at the end of a parent are
// padding (QuickTime ends some lists with a 32-bit zero), not a box.
constexpr std::uint64_t kHeaderBytes = 8;

// Data atom type indicators for text (the other types hold numbers and pictures).
constexpr std::uint32_t kDataImplicit = 0;
constexpr std::uint32_t kDataUtf8 = 1;
constexpr std::uint32_t kDataUtf16 = 2;

// QuickTime text items with a language code below this are Macintosh-encoded; from it on the
// code is a packed ISO 639-2 language and the text is Unicode.
constexpr std::uint16_t kFirstIsoLanguage = 0x400;

// Mac OS Roman, bytes 0x80-0xFF, twelve a row (0xDB is the euro sign, as since Mac OS 8.5).
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

std::u16string DecodeMacRoman(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        out.push_back(b < 0x80 ? static_cast<char16_t>(b) : kMacRomanHigh[b - 0x80]);
    }
    return out;
}

struct Box {
    std::uint32_t type = 0;
    std::uint64_t payload = 0;  // offset of the first byte after the header
    std::uint64_t end = 0;      // offset just past the box
    std::uint64_t PayloadSize() const { return end - payload; }
};

class Mp4Reader : public NestedReader<Mp4Reader, Box, kHeaderBytes, kMaxBoxesPerParent> {
  public:
    explicit Mp4Reader(ByteSource& src) : NestedReader(src) {}

    TitleResult Read() {
        constexpr const char* kFormat = "mp4";
        if (src_.Size() < kHeaderBytes) return ReaderResult(ReadStatus::NotThisFormat, "");
        unsigned char first[kHeaderBytes];
        const StreamStatus s = ReadExact(src_, 0, first, sizeof first);
        if (s != StreamStatus::Ok) return ReaderResult(ToReadStatus(s), "");
        if (!LooksLikeFirstBox(first)) return ReaderResult(ReadStatus::NotThisFormat, "");
        const ReadStatus walked = Walk();
        if (walked != ReadStatus::Found) return ReaderResult(walked, kFormat);
        // The iTunes item is what the shell shows; the others stand in, in turn, when it is
        // missing or empty. A title field that is present but empty still counts as found.
        bool present = false;
        for (const Candidate* c : {&ilstTitle_, &qtTitle_, &keysTitle_, &assetTitle_}) {
            if (!*c) continue;
            if (!(*c)->empty()) return ReaderResult(ReadStatus::Found, kFormat, **c);
            present = true;
        }
        return ReaderResult(present ? ReadStatus::Found : ReadStatus::NoTitle, kFormat);
    }

  private:
    friend NestedReader;

    static bool LooksLikeFirstBox(const unsigned char* h) {
        const std::uint32_t size = LoadU32BE(h);
        if (size != 0 && size != 1 && size < kHeaderBytes) return false;
        const std::uint32_t type = LoadU32BE(h + 4);
        for (const std::uint32_t t : kFirstBoxTypes) {
            if (t == type) return true;
        }
        return false;
    }

    // Walks the top level up to the first moov and reads it. Found means "walked without
    // fault"; whether a title turned up is decided by the caller.
    ReadStatus Walk() {
        bool moovRead = false;
        const bool walkedAll = ForEachChild(0, src_.Size(), [this, &moovRead](const Box& box) {
            if (box.type != kMoov) return true;
            moovRead = ReadMoov(box);
            return false;  // the first moov ends the walk
        });
        if (walkedAll) return ReadStatus::NoTitle;
        return moovRead ? ReadStatus::Found : failure_;
    }

    // Reads the header of the box at pos inside a parent that ends at end. A size of 1 means a
    // 64-bit size follows the type; a size of 0 means the box runs to the end of its parent.
    bool ReadChildHeader(std::uint64_t pos, std::uint64_t end, Box& box) {
        if (!WithinBudget()) return false;
        if (end - pos < kHeaderBytes) return Fail(ReadStatus::Malformed);
        unsigned char h[16];
        if (!ReadBytes(pos, h, kHeaderBytes)) return false;
        std::uint64_t size = LoadU32BE(h);
        std::uint64_t headerSize = kHeaderBytes;
        if (size == 1) {
            headerSize = 16;
            if (end - pos < headerSize) return Fail(ReadStatus::Malformed);
            if (!ReadBytes(pos + kHeaderBytes, h + kHeaderBytes, 8)) return false;
            size = LoadU64BE(h + kHeaderBytes);
        } else if (size == 0) {
            size = end - pos;
        }
        if (size < headerSize || size > end - pos) return Fail(ReadStatus::Malformed);
        box.type = LoadU32BE(h + 4);
        box.payload = pos + headerSize;
        box.end = pos + size;
        return true;
    }

    bool ReadMoov(const Box& moov) {
        return ForEachChild(moov.payload, moov.end, [this](const Box& box) {
            if (box.type == kUdta) return ReadUdta(box);
            if (box.type == kMeta) return ReadMeta(box);
            return true;
        });
    }

    bool ReadUdta(const Box& udta) {
        return ForEachChild(udta.payload, udta.end, [this](const Box& box) {
            if (box.type == kMeta) return ReadMeta(box);
            if (box.type == kName && !qtTitle_) return ReadTextItem(box, qtTitle_);
            if (box.type == kTitl && !assetTitle_) return ReadAssetTitle(box, assetTitle_);
            return true;
        });
    }

    // meta is a full box in MP4 (4 bytes of version and flags before its children) but a plain
    // box in QuickTime; the plain form starts directly with its hdlr child. The handler type
    // says how the ilst items are named: by four-character codes, or ("mdta") by indexes into
    // the keys box. Writers put hdlr and keys before ilst; the ilst is read after the walk so
    // that the order does not matter.
    bool ReadMeta(const Box& meta) {
        if (meta.PayloadSize() < kHeaderBytes) return true;
        unsigned char peek[kHeaderBytes];
        if (!ReadBytes(meta.payload, peek, sizeof peek)) return false;
        const std::uint64_t begin = meta.payload + (LoadU32BE(peek + 4) == kHdlr ? 0 : 4);
        std::uint32_t handler = 0;
        std::uint32_t titleKey = 0;  // 1-based index of the title key; 0 when there is none
        std::optional<Box> ilst;
        const bool walked = ForEachChild(begin, meta.end, [&](const Box& box) {
            if (box.type == kHdlr && handler == 0) return ReadHandlerType(box, handler);
            if (box.type == kKeys && titleKey == 0) return FindTitleKey(box, titleKey);
            if (box.type == kIlst && !ilst) ilst = box;
            return true;
        });
        if (!walked || !ilst) return walked;
        const bool keyed = handler == kMdta;
        return ForEachChild(ilst->payload, ilst->end, [&](const Box& item) {
            if (keyed) {
                // An index outside the keys list, or of another key, names no title.
                if (titleKey != 0 && item.type == titleKey && !keysTitle_)
                    return ReadDataItem(item, keysTitle_);
            } else if (item.type == kName && !ilstTitle_) {
                return ReadDataItem(item, ilstTitle_);
            }
            return true;
        });
    }

    // hdlr: version and flags, a pre-defined word, then the handler type. A box too short to
    // hold the type leaves it unknown.
    bool ReadHandlerType(const Box& hdlr, std::uint32_t& type) {
        if (hdlr.PayloadSize() < 12) return true;
        unsigned char h[12];
        if (!ReadBytes(hdlr.payload, h, sizeof h)) return false;
        type = LoadU32BE(h + 8);
        return true;
    }

    static bool IsTitleKey(std::string_view key) {
        return std::any_of(std::begin(kTitleKeys), std::end(kTitleKeys), [key](std::string_view t) {
            return key.size() == t.size() &&
                   std::equal(key.begin(), key.end(), t.begin(), [](char a, char b) {
                       return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
                   });
        });
    }

    // keys: version and flags, an entry count, then per key its size (the 8-byte header
    // included), its namespace and its name. Sets index to the 1-based position of the first
    // title key in the "mdta" namespace; only names as short as a title key are read.
    bool FindTitleKey(const Box& keys, std::uint32_t& index) {
        if (keys.PayloadSize() < 8) return Fail(ReadStatus::Malformed);
        unsigned char head[8];
        if (!ReadBytes(keys.payload, head, sizeof head)) return false;
        const std::uint32_t count = LoadU32BE(head + 4);
        std::uint64_t pos = keys.payload + 8;
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!WithinBudget()) return false;
            if (keys.end - pos < kHeaderBytes) return Fail(ReadStatus::Malformed);
            unsigned char entry[kHeaderBytes + kLongestTitleKey];
            if (!ReadBytes(pos, entry, kHeaderBytes)) return false;
            const std::uint32_t size = LoadU32BE(entry);
            if (size < kHeaderBytes || size > keys.end - pos) return Fail(ReadStatus::Malformed);
            const std::size_t nameSize = size - kHeaderBytes;
            if (LoadU32BE(entry + 4) == kMdta && nameSize <= kLongestTitleKey) {
                if (!ReadBytes(pos + kHeaderBytes, entry + kHeaderBytes, nameSize)) return false;
                const std::string_view name(reinterpret_cast<const char*>(entry + kHeaderBytes),
                                            nameSize);
                if (IsTitleKey(name)) {
                    index = i + 1;
                    return true;
                }
            }
            pos += size;
        }
        return true;
    }

    // An item holding data atoms: 4 bytes of type indicator (version, then a 24-bit type), 4
    // bytes of locale, then the value. The first text atom is the item's value.
    bool ReadDataItem(const Box& item, Candidate& out) {
        return ForEachChild(item.payload, item.end, [this, &out](const Box& box) {
            if (out || box.type != kData || box.PayloadSize() < 8) return true;
            unsigned char head[8];
            if (!ReadBytes(box.payload, head, sizeof head)) return false;
            const std::uint32_t type = LoadU32BE(head) & 0xFFFFFFu;
            if (type != kDataImplicit && type != kDataUtf8 && type != kDataUtf16) return true;
            std::string bytes;
            if (!ReadText(box.payload + 8, box.PayloadSize() - 8, bytes)) return false;
            out = TrimTrailingNuls(type == kDataUtf16 ? DecodeUtf16BE(bytes) : DecodeUtf8(bytes));
            return true;
        });
    }

    // A QuickTime text item: records of 16-bit length, 16-bit language and text; the first
    // record is taken. Some writers put an iTunes-style data atom here instead.
    bool ReadTextItem(const Box& item, Candidate& out) {
        if (item.PayloadSize() >= 16) {
            unsigned char peek[kHeaderBytes];
            if (!ReadBytes(item.payload, peek, sizeof peek)) return false;
            const std::uint32_t size = LoadU32BE(peek);
            if (LoadU32BE(peek + 4) == kData && size >= 16 && size <= item.PayloadSize())
                return ReadDataItem(item, out);
        }
        if (item.PayloadSize() < 4) return Fail(ReadStatus::Malformed);
        unsigned char head[4];
        if (!ReadBytes(item.payload, head, sizeof head)) return false;
        const std::uint16_t length = LoadU16BE(head);
        const std::uint16_t language = LoadU16BE(head + 2);
        if (length > item.PayloadSize() - 4) return Fail(ReadStatus::Malformed);
        std::string bytes;
        if (!ReadText(item.payload + 4, length, bytes)) return false;
        std::u16string text;
        if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
            static_cast<unsigned char>(bytes[1]) == 0xFF) {
            text = DecodeUtf16BE(std::string_view(bytes).substr(2));
        } else if (language < kFirstIsoLanguage && !IsValidUtf8(bytes)) {
            text = DecodeMacRoman(bytes);
        } else {
            text = DecodeUtf8(bytes);
        }
        out = TrimTrailingNuls(std::move(text));
        return true;
    }

    // The 3GPP asset title: a full box (version and flags), a 16-bit packed language, then a
    // NUL-terminated text in UTF-8, or in UTF-16 when it starts with a byte-order mark.
    bool ReadAssetTitle(const Box& titl, Candidate& out) {
        if (titl.PayloadSize() < 6) return Fail(ReadStatus::Malformed);
        std::string bytes;
        if (!ReadText(titl.payload + 6, titl.PayloadSize() - 6, bytes)) return false;
        const bool bom = bytes.size() >= 2 && ((bytes[0] == '\xFE' && bytes[1] == '\xFF') ||
                                               (bytes[0] == '\xFF' && bytes[1] == '\xFE'));
        std::u16string text = bom ? DecodeUtf16WithBom(bytes) : DecodeUtf8(bytes);
        const std::size_t nul = text.find(u'\0');
        if (nul != std::u16string::npos) text.resize(nul);
        out = std::move(text);
        return true;
    }

    Candidate ilstTitle_;
    Candidate qtTitle_;
    Candidate keysTitle_;
    Candidate assetTitle_;
};

}  // namespace

TitleResult ReadMp4Title(ByteSource& src, const AnsiDecoder& /*ansi*/) {
    return Mp4Reader(src).Read();
}

}  // namespace qm::media
