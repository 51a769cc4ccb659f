#include "media/TitleReader.h"

#include "media/Readers.h"

namespace qm::media {

namespace {

using ReaderFn = TitleResult (*)(ByteSource&, const AnsiDecoder&);

// Readers whose containers start with a fixed signature come first, so that a strong magic
// number always decides before a weaker one is tried. MP4 has no magic of its own (it is
// recognised by the type of its first box), so it follows them. MP3 comes last: a file that
// carries only an ID3v1 trailer has no signature at its start at all.
constexpr ReaderFn kReaders[] = {
    ReadMatroskaTitle,  // 1A 45 DF A3
    ReadAsfTitle,       // header object GUID
    ReadRiffTitle,      // "RIFF" / "RF64"
    ReadFlacTitle,      // "fLaC", possibly after an ID3v2 tag
    ReadOggTitle,       // "OggS"
    ReadMp4Title,       // first box type
    ReadMp3Title,       // ID3v2 at the start, or ID3v1 at the end
};

// Windows-1252 code points for the bytes 0x80-0x9F. The five bytes the code page leaves
// undefined map to the C1 control of the same value, as the Windows conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

std::u16string DecodeCp1252(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        out.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
    }
    return out;
}

TitleResult ReadTitleDetailed(ByteSource& src, const AnsiDecoder& ansi) {
    // The readers report every fault of the file or the medium through their status; the only
    // exceptions that can arise are from the allocator or from a caller's ANSI decoder. This is
    // the one place they are caught: to the program every failure means "no title".
    try {
        for (const ReaderFn read : kReaders) {
            TitleResult result = read(src, ansi);
            if (result.status != ReadStatus::NotThisFormat) return result;
        }
    } catch (...) {
        return ReaderResult(ReadStatus::Malformed, "");
    }
    return TitleResult{};
}

std::u16string ReadTitle(ByteSource& src, const AnsiDecoder& ansi) {
    return ReadTitleDetailed(src, ansi).title;
}

}  // namespace qm::media
