#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/TestUtil.h"

namespace qm::media::test {
namespace {

using namespace std::string_literals;

// A Vorbis comment list: vendor string, then the fields.
std::string Comments(const std::vector<std::string>& fields) {
    std::string c = Le<32>(6) + "vendor" + Le<32>(static_cast<std::uint32_t>(fields.size()));
    for (const std::string& f : fields)
        c += Le<32>(static_cast<std::uint32_t>(f.size())) + f;
    return c;
}

std::string Block(int type, const std::string& body, bool last = false) {
    return static_cast<char>(type | (last ? 0x80 : 0)) +
           Be<24>(static_cast<std::uint32_t>(body.size())) + body;
}

const std::string kStreamInfo = Block(0, std::string(34, '\x11'));

std::string Flac(const std::vector<std::string>& fields) {
    return "fLaC" + kStreamInfo + Block(1, std::string(100, '\0')) +
           Block(4, Comments(fields), true) + std::string(200, '\xFF');
}

std::string Id3Prefix(bool footer) {
    const std::string body = "TIT2" + Be<32>(4) + "\0\0\0Id3"s + std::string(20, '\0');
    std::string tag = "ID3\x04\0"s + static_cast<char>(footer ? 0x10 : 0) + Be<32>(0) + body;
    tag[9] = static_cast<char>(body.size());
    if (footer) tag += "3DI" + tag.substr(3, 7);
    return tag;
}

TitleResult Read(const std::string& file) {
    return RunReader(ReadFlacTitle, file);
}

class FlacTest : public ReaderTest {};

TEST_P(FlacTest, ReadsTitle) {
    ExpectCaseAndTruncations(ReadFlacTitle, "flac", GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Files, FlacTest,
    testing::Values(
        ReaderCase{"Title", Flac({"ARTIST=a", "TITLE=Song"}), ReadStatus::Found, u"Song"},
        ReaderCase{"KeyInAnyCase", Flac({"title=lower"}), ReadStatus::Found, u"lower"},
        ReaderCase{"MixedCaseKey", Flac({"TiTlE=mixed"}), ReadStatus::Found, u"mixed"},
        ReaderCase{"FirstTitleWins", Flac({"TITLE=one", "TITLE=two"}), ReadStatus::Found, u"one"},
        ReaderCase{"Utf8Value", Flac({"TITLE=\xE6\x97\xA5\xE6\x9C\xAC"}), ReadStatus::Found,
                   u"\u65E5\u672C"},
        ReaderCase{"EmptyValue", Flac({"TITLE="}), ReadStatus::Found, u""},
        ReaderCase{"SimilarKeysAreNotTitle", Flac({"TITLEX=x", "SUBTITLE=y", "TITL", ""}),
                   ReadStatus::NoTitle, u""},
        ReaderCase{"NoComments", Flac({}), ReadStatus::NoTitle, u""},
        ReaderCase{"NoCommentBlock", "fLaC" + Block(0, std::string(34, '\0'), true),
                   ReadStatus::NoTitle, u""},
        ReaderCase{"Id3Prefix", Id3Prefix(false) + Flac({"TITLE=Behind ID3"}), ReadStatus::Found,
                   u"Behind ID3"},
        ReaderCase{"Id3PrefixWithFooter", Id3Prefix(true) + Flac({"TITLE=Behind ID3"}),
                   ReadStatus::Found, u"Behind ID3"},
        ReaderCase{"InvalidBlockType", "fLaC" + Block(127, "") + Block(4, Comments({"TITLE=x"})),
                   ReadStatus::Malformed, u""},
        ReaderCase{"Mp3WithId3", Id3Prefix(false) + "\xFF\xFB\x90\x64"s, ReadStatus::NotThisFormat,
                   u""},
        ReaderCase{"NotFlac", "fLaX" + kStreamInfo, ReadStatus::NotThisFormat, u""}),
    CaseName);

TEST(FlacReader, PicturesAndLongFieldsAreNotRead) {
    ExpectBytesReadFlatAsMediaGrows(
        ReadFlacTitle,
        [](std::size_t media) {
            return "fLaC" + kStreamInfo + Block(6, std::string(media, '\x89')) +
                   Block(4, Comments({"COVERART=" + std::string(media, 'x'), "TITLE=After art"}),
                         true);
        },
        u"After art", 200);
}

TEST(FlacReader, HostileCounts) {
    // Lengths and counts that overflow or exceed the block: no title, no crash.
    const std::string hugeVendor = Le<32>(0xFFFFFFFF) + "v" + Le<32>(1) + Le<32>(7) + "TITLE=x";
    EXPECT_EQ(Read("fLaC" + Block(4, hugeVendor, true)).status, ReadStatus::Malformed);
    const std::string hugeCount = Le<32>(0) + Le<32>(0xFFFFFFFF) + Le<32>(3) + "a=b";
    EXPECT_EQ(Read("fLaC" + Block(4, hugeCount, true)).status, ReadStatus::Malformed);
    const std::string hugeField = Le<32>(0) + Le<32>(1) + Le<32>(0xFFFFFFFF) + "TITLE=x";
    EXPECT_EQ(Read("fLaC" + Block(4, hugeField, true)).status, ReadStatus::Malformed);
    // A field reaching past its block into the next one is cut by the block's end.
    const std::string spill = Le<32>(0) + Le<32>(1) + Le<32>(20) + "TITLE=x";
    EXPECT_EQ(Read("fLaC" + Block(4, spill) + Block(1, std::string(40, 'p'), true)).status,
              ReadStatus::Malformed);
    std::string manyEmpty = Le<32>(0) + Le<32>(100000);
    for (int i = 0; i < 100000; ++i)
        manyEmpty += Le<32>(0);
    EXPECT_EQ(Read("fLaC" + Block(4, manyEmpty, true)).status, ReadStatus::Malformed);
}

TEST(FlacReader, BlockChainWithoutLastFlagIsCapped) {
    std::string blocks;
    for (int i = 0; i < 2000; ++i)
        blocks += Block(1, "");
    EXPECT_EQ(Read("fLaC" + blocks).status, ReadStatus::Malformed);
}

TEST(FlacReader, FailingSourceIsIoError) {
    const std::string file = Flac({"TITLE=x"});
    ExpectIoErrorFrom(ReadFlacTitle, file, 60);
}

}  // namespace
}  // namespace qm::media::test
