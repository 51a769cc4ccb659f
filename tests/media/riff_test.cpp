#include <gtest/gtest.h>

#include <string>

#include "media/TestUtil.h"

namespace qm::media::test {
namespace {

enum class Pad { Yes, No };

std::string Chunk(const std::string& id, const std::string& payload, Pad pad = Pad::Yes) {
    std::string c = id + Le<32>(static_cast<std::uint32_t>(payload.size())) + payload;
    if (payload.size() % 2 == 1 && pad == Pad::Yes) c += '\0';
    return c;
}
std::string List(const std::string& type, const std::string& body) {
    return Chunk("LIST", type + body);
}
std::string Info(const std::string& title, Pad pad = Pad::Yes) {
    return List("INFO", Chunk("ISFT", "Lavf59", pad) + Chunk("INAM", title, pad));
}
std::string Riff(const std::string& form, const std::string& body) {
    return "RIFF" + Le<32>(static_cast<std::uint32_t>(4 + body.size())) + form + body;
}

const std::string kFmt = Chunk("fmt ", std::string(16, '\x01'));

std::string Avi(const std::string& info) {
    const std::string hdrl = List("hdrl", Chunk("avih", std::string(56, '\0')) +
                                              List("strl", Chunk("strh", std::string(56, '\0'))));
    return Riff("AVI ", hdrl + info + List("movi", Chunk("00dc", std::string(300, '\xFF'))) +
                            Chunk("idx1", std::string(16, '\0')));
}

TitleResult Read(const std::string& file) {
    return RunReader(ReadRiffTitle, file);
}

class RiffTest : public ReaderTest {};

TEST_P(RiffTest, ReadsTitle) {
    ExpectCaseAndTruncations(ReadRiffTitle, "riff", GetParam());
}

const std::string kBigData = std::string(100001, '\x7F');  // odd: padded

INSTANTIATE_TEST_SUITE_P(
    Files, RiffTest,
    testing::Values(
        ReaderCase{"WavInfoBeforeData",
                   Riff("WAVE", kFmt + Info("Hello") + Chunk("data", kBigData)), ReadStatus::Found,
                   u"Hello"},
        ReaderCase{"WavInfoAfterData", Riff("WAVE", kFmt + Chunk("data", kBigData) + Info("Hi")),
                   ReadStatus::Found, u"Hi"},
        ReaderCase{"AviTopLevelInfo", Avi(Info("Clip")), ReadStatus::Found, u"Clip"},
        ReaderCase{"AviInfoInsideHdrl",
                   Riff("AVI ", List("hdrl", Chunk("avih", std::string(56, '\0')) + Info("In"))),
                   ReadStatus::Found, u"In"},
        ReaderCase{"Utf8Title", Avi(Info("\xE6\x97\xA5\xE6\x9C\xAC")), ReadStatus::Found,
                   u"\u65E5\u672C"},
        ReaderCase{"NonUtf8TitleGoesToAnsiDecoder", Avi(Info("\x93\xFA\x96\x7B")),
                   ReadStatus::Found, u"[ansi]\u0093\u00FA\u0096{"},
        ReaderCase{"TrailingNulsDropped", Avi(Info(std::string("Name\0\0\0", 7))),
                   ReadStatus::Found, u"Name"},
        ReaderCase{"TextEndsAtFirstNul", Avi(Info(std::string("Name\0junk", 9))), ReadStatus::Found,
                   u"Name"},
        ReaderCase{"EmptyTitle", Avi(Info("")), ReadStatus::Found, u""},
        ReaderCase{"OddChunksPadded", Riff("WAVE", Chunk("odd ", "abc") + Info("Odd", Pad::Yes)),
                   ReadStatus::Found, u"Odd"},
        ReaderCase{"OddChunksWithoutPad",
                   Riff("WAVE", Chunk("odd ", "abc", Pad::No) + Info("Odd", Pad::No)),
                   ReadStatus::Found, u"Odd"},
        ReaderCase{"NoInfo", Avi(""), ReadStatus::NoTitle, u""},
        ReaderCase{"InfoWithoutInam", Avi(List("INFO", Chunk("ISFT", "x"))), ReadStatus::NoTitle,
                   u""},
        ReaderCase{"InfoInLaterAvixFormIgnored", Avi("") + Riff("AVIX", Info("Late")),
                   ReadStatus::NoTitle, u""},
        ReaderCase{"InamOutsideInfoIgnored", Riff("WAVE", Chunk("INAM", "Stray")),
                   ReadStatus::NoTitle, u""},
        ReaderCase{"OtherRiffForm", Riff("WEBP", Info("Pic")), ReadStatus::NotThisFormat, u""},
        ReaderCase{"TooShort", std::string("RIFF\0\0\0", 7), ReadStatus::NotThisFormat, u""},
        ReaderCase{"NotRiff", std::string(64, 'x'), ReadStatus::NotThisFormat, u""}),
    CaseName);

TEST(RiffReader, MediaPayloadsAreSteppedOver) {
    ExpectBytesReadFlatAsMediaGrows(
        ReadRiffTitle,
        [](std::size_t media) {
            return Riff("WAVE", kFmt + Chunk("data", std::string(media, '\0')) + Info("After"));
        },
        u"After", 200);
}

TEST(RiffReader, UnknownFormSizeStopsAtTheNextForm) {
    std::string first = Avi("");
    first.replace(4, 4, Le<32>(0));
    EXPECT_EQ(Read(first + Riff("AVIX", Info("Late"))).status, ReadStatus::NoTitle);
    first.replace(4, 4, Le<32>(0xFFFFFFFF));
    EXPECT_EQ(Read(first + Info("Tail")).title, u"Tail");
}

std::string Rf64(const std::string& table, const std::string& body, std::uint64_t dataSize) {
    const std::string ds64Body = Le<64>(0) + Le<64>(dataSize) + Le<64>(0) + table;
    std::string file = "RF64" + Le<32>(0xFFFFFFFF) + "WAVE" + Chunk("ds64", ds64Body) + body;
    file.replace(20, 8, Le<64>(file.size() - 8));  // RIFF size in ds64
    return file;
}

TEST(RiffReader, Rf64SizesComeFromDs64) {
    const std::string data = "data" + Le<32>(0xFFFFFFFF) + std::string(5000, '\x55');
    const std::string file = Rf64(Le<32>(0), kFmt + data + Info("Big"), 5000);
    EXPECT_EQ(Read(file).title, u"Big");
    EXPECT_EQ(Read(file).format, std::string("wav"));
    ExpectTruncationsSafe(ReadRiffTitle, file, u"Big");

    // Another chunk sized through the ds64 table.
    const std::string junk = "junk" + Le<32>(0xFFFFFFFF) + std::string(40, 'j');
    const std::string table = Le<32>(1) + "junk" + Le<64>(40);
    EXPECT_EQ(Read(Rf64(table, junk + data + Info("T"), 5000)).title, u"T");
}

TEST(RiffReader, Rf64WithoutDs64IsMalformed) {
    const std::string file = "RF64" + Le<32>(0xFFFFFFFF) + "WAVE" + kFmt + Info("x");
    EXPECT_EQ(Read(file).status, ReadStatus::Malformed);
}

TEST(RiffReader, HostileSizes) {
    // A chunk claiming more than its form holds, a 64-bit data size beyond the file, a LIST
    // whose size reaches past its parent.
    const std::string huge = "JUNK" + Le<32>(0xFFFFFFF0) + "xxxx";
    EXPECT_EQ(Read(Riff("WAVE", huge + Info("x"))).status, ReadStatus::Malformed);
    const std::string data = "data" + Le<32>(0xFFFFFFFF) + std::string(64, '\0');
    EXPECT_EQ(Read(Rf64(Le<32>(0), data + Info("x"), ~0ull)).status, ReadStatus::Malformed);
    std::string list = List("hdrl", Info("x"));
    list.replace(4, 4, Le<32>(0x7FFFFFFF));
    EXPECT_EQ(Read(Riff("AVI ", list)).status, ReadStatus::Malformed);
}

TEST(RiffReader, ZeroSizedChunksAreSkipped) {
    std::string zeros;
    for (int i = 0; i < 100; ++i)
        zeros += Chunk("JUNK", "");
    EXPECT_EQ(Read(Riff("WAVE", zeros + Info("Z"))).title, u"Z");
}

TEST(RiffReader, ChunkCountIsCapped) {
    std::string zeros;
    for (int i = 0; i < 20000; ++i)
        zeros += Chunk("JUNK", "");
    EXPECT_EQ(Read(Riff("WAVE", zeros + Info("Z"))).status, ReadStatus::Malformed);
}

TEST(RiffReader, DeepNestingIsNotFollowed) {
    std::string nested = Info("Deep");
    for (int i = 0; i < 200; ++i)
        nested = List("nest", nested);
    const TitleResult r = Read(Riff("AVI ", nested));
    EXPECT_NE(r.status, ReadStatus::Found);
    EXPECT_EQ(Read(Riff("AVI ", List("a   ", List("b   ", Info("Two"))))).title, u"Two");
}

TEST(RiffReader, GarbageChunkIdIsMalformed) {
    EXPECT_EQ(Read(Riff("WAVE", std::string("\x01\x02\x03\x04", 4) + Le<32>(0) + Info("x"))).status,
              ReadStatus::Malformed);
}

TEST(RiffReader, FailingSourceIsIoError) {
    const std::string file = Avi(Info("Clip"));
    ExpectIoErrorFrom(ReadRiffTitle, file, 30);
}

}  // namespace
}  // namespace qm::media::test
