#include <gtest/gtest.h>

#include <string>

#include "media/TestUtil.h"

namespace qm::media::test {
namespace {

using namespace std::string_literals;

std::string Syncsafe(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((v >> (7 * (3 - i))) & 0x7F);
    return s;
}

// ID3 unsynchronisation: a zero after every 0xFF that precedes 0xE0 and up or a zero.
std::string Unsync(const std::string& in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        out += in[i];
        const bool ff = static_cast<unsigned char>(in[i]) == 0xFF;
        const bool last = i + 1 == in.size();
        if (ff && (last || static_cast<unsigned char>(in[i + 1]) >= 0xE0 || in[i + 1] == '\0')) {
            out += '\0';
        }
    }
    return out;
}

std::string Frame22(const std::string& id, const std::string& data) {
    return id + Be<24>(static_cast<std::uint32_t>(data.size())) + data;
}
std::string Frame23(const std::string& id, const std::string& data, unsigned flags = 0) {
    return id + Be<32>(static_cast<std::uint32_t>(data.size())) + '\0' + static_cast<char>(flags) +
           data;
}
enum class Size { Syncsafe, Plain };
std::string Frame24(const std::string& id, const std::string& data, unsigned flags = 0,
                    Size size = Size::Syncsafe) {
    const auto n = static_cast<std::uint32_t>(data.size());
    return id + (size == Size::Syncsafe ? Syncsafe(n) : Be<32>(n)) + '\0' +
           static_cast<char>(flags) + data;
}

std::string Tag(int major, const std::string& body, unsigned flags = 0) {
    std::string tag = "ID3" + std::string(1, static_cast<char>(major)) + '\0' +
                      static_cast<char>(flags) + Syncsafe(static_cast<std::uint32_t>(body.size())) +
                      body;
    if (flags & 0x10) tag += "3DI" + tag.substr(3, 7);
    return tag;
}

// Two MPEG-1 layer III frame headers with silence.
const std::string kAudio =
    "\xFF\xFB\x90\x64"s + std::string(413, '\0') + "\xFF\xFB\x90\x64"s + std::string(413, '\0');

std::string Id3v1(const std::string& title) {
    std::string t = title;
    t.resize(30, '\0');
    return "TAG" + t + std::string(30, 'A') + std::string(30, 'B') + "2024" +
           std::string(30, '\0') + '\x0C';
}

const std::string kUtf16Title = "\x01\xFF\xFE\xE5\x65\x2C\x67\0\0"s;  // 日本
const std::string kPadding = std::string(64, '\0');

TitleResult Read(const std::string& file) {
    return RunReader(ReadMp3Title, file);
}

class Mp3Test : public ReaderTest {};

TEST_P(Mp3Test, ReadsTitle) {
    ExpectCaseAndTruncations(ReadMp3Title, "mp3", GetParam());
}

// A frame whose bytes contain 0xFF pairs, so that its unsynchronised size differs.
const std::string kPriv = Frame23("PRIV", "o\0\xFF\xFF\xFF\xE0\xFF"s);
const std::string kPriv24 = Frame24("PRIV", "o\0\xFF\xFF\xFF\xE0\xFF"s);

INSTANTIATE_TEST_SUITE_P(
    Files, Mp3Test,
    testing::Values(
        ReaderCase{"V23Utf16WithBom", Tag(3, Frame23("TIT2", kUtf16Title) + kPadding) + kAudio,
                   ReadStatus::Found, u"\u65E5\u672C"},
        ReaderCase{"V23Utf16BigEndianBom", Tag(3, Frame23("TIT2", "\x01\xFE\xFF\0A\0b"s)) + kAudio,
                   ReadStatus::Found, u"Ab"},
        ReaderCase{"V24Utf8", Tag(4, Frame24("TIT2", "\x03\xE6\x97\xA5\xE6\x9C\xAC") + kPadding),
                   ReadStatus::Found, u"\u65E5\u672C"},
        ReaderCase{"V24Utf16BE", Tag(4, Frame24("TIT2", "\x02\0H\0i"s)), ReadStatus::Found, u"Hi"},
        ReaderCase{"V23Latin1", Tag(3, Frame23("TALB", "\0Album"s) + Frame23("TIT2", "\0Caf\xE9"s)),
                   ReadStatus::Found, u"Caf\u00E9"},
        ReaderCase{"V22TT2", Tag(2, Frame22("TAL", "\0Alb"s) + Frame22("TT2", "\0Old"s)) + kAudio,
                   ReadStatus::Found, u"Old"},
        ReaderCase{"FirstOfSeveralValues", Tag(4, Frame24("TIT2", "\x03One\0Two"s)),
                   ReadStatus::Found, u"One"},
        ReaderCase{"FirstOfSeveralUtf16Values",
                   Tag(4, Frame24("TIT2", "\x01\xFF\xFEO\0\0\0\xFF\xFET\0"s)), ReadStatus::Found,
                   u"O"},
        ReaderCase{"TagLevelUnsyncV23",
                   Tag(3, Unsync(kPriv + Frame23("TIT2", "\0\xFF\xE0\xFF"s)), 0x80) + kAudio,
                   ReadStatus::Found, u"\u00FF\u00E0\u00FF"},
        ReaderCase{"TagLevelUnsyncV22",
                   Tag(2, Unsync(Frame22("TT2", "\0\xFF\xFFz"s)), 0x80) + kAudio, ReadStatus::Found,
                   u"\u00FF\u00FFz"},
        ReaderCase{"FrameLevelUnsyncV24",
                   Tag(4, kPriv24 + Frame24("TIT2", Unsync("\0\xFF\xE0\xFF"s), 0x02)),
                   ReadStatus::Found, u"\u00FF\u00E0\u00FF"},
        ReaderCase{"GroupAndDataLengthV24",
                   Tag(4, Frame24("TIT2", "G" + Syncsafe(4) + "\0Abc"s, 0x41)), ReadStatus::Found,
                   u"Abc"},
        ReaderCase{"GroupV23", Tag(3, Frame23("TIT2", "G\0Abc"s, 0x20)), ReadStatus::Found, u"Abc"},
        ReaderCase{"ExtendedHeaderV23",
                   Tag(3, Be<32>(6) + std::string(6, '\0') + Frame23("TIT2", "\0Ext"s), 0x40),
                   ReadStatus::Found, u"Ext"},
        ReaderCase{"ExtendedHeaderV24",
                   Tag(4, Syncsafe(6) + "\x01\0"s + Frame24("TIT2", "\0Ext"s), 0x40),
                   ReadStatus::Found, u"Ext"},
        ReaderCase{"FooterV24", Tag(4, Frame24("TIT2", "\0Foot"s), 0x10) + kAudio,
                   ReadStatus::Found, u"Foot"},
        ReaderCase{"AppendedTagWithFooter",
                   kAudio + Tag(4, Frame24("TIT2", "\0Tail"s), 0x10) + Id3v1("One"),
                   ReadStatus::Found, u"Tail"},
        ReaderCase{"Id3v1Only", kAudio + Id3v1("Only v1   "), ReadStatus::Found, u"Only v1"},
        ReaderCase{"Id3v1NotUtf8", kAudio + Id3v1("\x93\xFA"), ReadStatus::Found,
                   u"[ansi]\u0093\u00FA"},
        ReaderCase{"V2WithoutTitleFallsBackToV1",
                   Tag(3, Frame23("TALB", "\0Alb"s)) + kAudio + Id3v1("Fallback"),
                   ReadStatus::Found, u"Fallback"},
        ReaderCase{"V2TitleBeatsV1", Tag(3, Frame23("TIT2", "\0Two"s)) + kAudio + Id3v1("One"),
                   ReadStatus::Found, u"Two"},
        ReaderCase{"EmptyV2TitleFallsBackToV1",
                   Tag(3, Frame23("TIT2", "\0"s)) + kAudio + Id3v1("One"), ReadStatus::Found,
                   u"One"},
        ReaderCase{"EmptyV2Title", Tag(3, Frame23("TIT2", "\0"s)) + kAudio, ReadStatus::Found, u""},
        ReaderCase{"CompressedTitleSkipped",
                   Tag(3, Frame23("TIT2", "\0\0\0\x05xx"s, 0x80)) + kAudio + Id3v1("V1"),
                   ReadStatus::Found, u"V1"},
        ReaderCase{"EncryptedTitleSkipped", Tag(4, Frame24("TIT2", "\x01\0Abc"s, 0x04)) + kAudio,
                   ReadStatus::NoTitle, u""},
        ReaderCase{"UnknownEncodingSkipped",
                   Tag(4, Frame24("TIT2",
                                  "\x07"
                                  "Abc")) +
                       kAudio,
                   ReadStatus::NoTitle, u""},
        ReaderCase{"FutureMajorVersionSkipped", Tag(5, "whatever") + kAudio + Id3v1("V1"),
                   ReadStatus::Found, u"V1"},
        ReaderCase{"AudioOnly", kAudio, ReadStatus::NoTitle, u""},
        ReaderCase{"GarbageFrameId", Tag(3, Frame23("ti\x01t", "\0x"s)) + kAudio,
                   ReadStatus::Malformed, u""},
        ReaderCase{"NotMpeg", std::string(300, 'x') + Id3v1("Stray"), ReadStatus::NotThisFormat,
                   u""},
        ReaderCase{"BadSyncsafeSize", "ID3\x03\0\0\x80\0\0\0"s + std::string(100, 'x'),
                   ReadStatus::NotThisFormat, u""}),
    CaseName);

TEST(Mp3Reader, V24PlainSizesFromOldWriters) {
    // 200 as a plain integer has a byte with its top bit set, which no syncsafe size has.
    const std::string comm = Frame24("COMM", std::string(200, 'c'), 0, Size::Plain);
    const std::string file = Tag(4, comm + Frame24("TIT2", "\0Plain"s, 0, Size::Plain)) + kAudio;
    EXPECT_EQ(Read(file).title, u"Plain");
    // 256 as plain bytes 00 00 01 00 is a valid syncsafe 128.
    const std::string comm256 = Frame24("COMM", std::string(256, 'c'), 0, Size::Plain);
    EXPECT_EQ(Read(Tag(4, comm256 + Frame24("TIT2", "\0Plain"s))).title, u"Plain");
    // A correct syncsafe size stays syncsafe even when the plain reading would also fit.
    const std::string syncsafe = Frame24("COMM", std::string(128, 'c'));
    EXPECT_EQ(Read(Tag(4, syncsafe + Frame24("TIT2", "\0Safe"s))).title, u"Safe");
}

TEST(Mp3Reader, LargeFramesBeforeTheTitleAreNotRead) {
    ExpectBytesReadFlatAsMediaGrows(
        ReadMp3Title,
        [](std::size_t media) {
            const std::string apic = Frame24("APIC", std::string(media, '\x89'));
            return Tag(4, apic + Frame24("TIT2", "\0After art"s)) + kAudio;
        },
        u"After art", 1024);
}

TEST(Mp3Reader, HostileSizes) {
    // A frame claiming 4 GiB, an extended header longer than the tag, a tag longer than the
    // file: no title, no crash.
    EXPECT_EQ(Read(Tag(3, Frame23("TALB", "") + "TIT2\xFF\xFF\xFF\xFF\0\0abc"s)).status,
              ReadStatus::Malformed);
    EXPECT_EQ(Read(Tag(3, Be<32>(0x7FFFFFFF) + Frame23("TIT2", "\0X"s), 0x40)).status,
              ReadStatus::Malformed);
    EXPECT_EQ(Read(Tag(4, Syncsafe(3) + Frame24("TIT2", "\0X"s), 0x40)).status,
              ReadStatus::Malformed);
    std::string longTag = Tag(3, Frame23("TALB", "\0X"s));
    longTag.replace(6, 4, Syncsafe(0x0FFFFFFF));
    EXPECT_EQ(Read(longTag).status, ReadStatus::NoTitle);
    // A footer that claims a tag reaching back before the file's start.
    EXPECT_EQ(Read(kAudio + "3DI\x04\0\x10"s + Syncsafe(0x0FFFFFF0)).status, ReadStatus::Malformed);
}

TEST(Mp3Reader, ZeroSizedFramesAreStepped) {
    std::string frames;
    for (int i = 0; i < 50; ++i)
        frames += Frame23("TXXX", "");
    EXPECT_EQ(Read(Tag(3, frames + Frame23("TIT2", "\0Z"s))).title, u"Z");
    std::string many;
    for (int i = 0; i < 5000; ++i)
        many += Frame23("TXXX", "");
    EXPECT_EQ(Read(Tag(3, many + Frame23("TIT2", "\0Z"s))).status, ReadStatus::Malformed);
}

TEST(Mp3Reader, FailingSourceIsIoError) {
    const std::string file =
        Tag(3, Frame23("TALB", std::string(100, 'a')) + Frame23("TIT2", "\0T"s)) + kAudio;
    ExpectIoErrorFrom(ReadMp3Title, file, 100);
}

}  // namespace
}  // namespace qm::media::test
