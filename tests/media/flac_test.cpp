#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "media/Readers.h"
#include "media/Text.h"
#include "media/TestUtil.h"

namespace qm::media {
namespace {

using namespace testing_util;
using namespace std::string_literals;

// A Vorbis comment list: vendor string, then the fields.
std::string Comments(const std::vector<std::string>& fields) {
    std::string c = Le32(6) + "vendor" + Le32(static_cast<std::uint32_t>(fields.size()));
    for (const std::string& f : fields)
        c += Le32(static_cast<std::uint32_t>(f.size())) + f;
    return c;
}

std::string Block(int type, const std::string& body, bool last = false) {
    return static_cast<char>(type | (last ? 0x80 : 0)) +
           Be24(static_cast<std::uint32_t>(body.size())) + body;
}

const std::string kStreamInfo = Block(0, std::string(34, '\x11'));

std::string Flac(const std::vector<std::string>& fields) {
    return "fLaC" + kStreamInfo + Block(1, std::string(100, '\0')) +
           Block(4, Comments(fields), true) + std::string(200, '\xFF');
}

std::string Id3Prefix(bool footer) {
    const std::string body = "TIT2" + Be32(4) + "\0\0\0Id3"s + std::string(20, '\0');
    std::string tag = "ID3\x04\0"s + static_cast<char>(footer ? 0x10 : 0) + Be32(0) + body;
    tag[9] = static_cast<char>(body.size());
    if (footer) tag += "3DI" + tag.substr(3, 7);
    return tag;
}

TitleResult Read(const std::string& file) {
    return Run(ReadFlacTitle, file);
}

struct FlacCase {
    const char* name;
    std::string file;
    ReadStatus status;
    std::u16string title;
};

void PrintTo(const FlacCase& c, std::ostream* os) {
    *os << c.name;
}

class FlacTest : public testing::TestWithParam<FlacCase> {};

TEST_P(FlacTest, ReadsTitle) {
    const FlacCase& c = GetParam();
    test::WriteSeedsIfAsked("flac", {{c.name, c.file}});
    const TitleResult r = Read(c.file);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(EncodeUtf8(r.title), EncodeUtf8(c.title));
    ExpectTruncationsSafe(ReadFlacTitle, c.file, c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FlacTest,
    testing::Values(
        FlacCase{"Title", Flac({"ARTIST=a", "TITLE=Song"}), ReadStatus::Found, u"Song"},
        FlacCase{"KeyInAnyCase", Flac({"title=lower"}), ReadStatus::Found, u"lower"},
        FlacCase{"MixedCaseKey", Flac({"TiTlE=mixed"}), ReadStatus::Found, u"mixed"},
        FlacCase{"FirstTitleWins", Flac({"TITLE=one", "TITLE=two"}), ReadStatus::Found, u"one"},
        FlacCase{"Utf8Value", Flac({"TITLE=\xE6\x97\xA5\xE6\x9C\xAC"}), ReadStatus::Found,
                 u"\u65E5\u672C"},
        FlacCase{"EmptyValue", Flac({"TITLE="}), ReadStatus::Found, u""},
        FlacCase{"SimilarKeysAreNotTitle", Flac({"TITLEX=x", "SUBTITLE=y", "TITL", ""}),
                 ReadStatus::NoTitle, u""},
        FlacCase{"NoComments", Flac({}), ReadStatus::NoTitle, u""},
        FlacCase{"NoCommentBlock", "fLaC" + Block(0, std::string(34, '\0'), true),
                 ReadStatus::NoTitle, u""},
        FlacCase{"Id3Prefix", Id3Prefix(false) + Flac({"TITLE=Behind ID3"}), ReadStatus::Found,
                 u"Behind ID3"},
        FlacCase{"Id3PrefixWithFooter", Id3Prefix(true) + Flac({"TITLE=Behind ID3"}),
                 ReadStatus::Found, u"Behind ID3"},
        FlacCase{"InvalidBlockType", "fLaC" + Block(127, "") + Block(4, Comments({"TITLE=x"})),
                 ReadStatus::Malformed, u""},
        FlacCase{"Mp3WithId3", Id3Prefix(false) + "\xFF\xFB\x90\x64"s, ReadStatus::NotThisFormat,
                 u""},
        FlacCase{"NotFlac", "fLaX" + kStreamInfo, ReadStatus::NotThisFormat, u""}),
    [](const testing::TestParamInfo<FlacCase>& info) { return std::string(info.param.name); });

TEST(FlacReader, PicturesAndLongFieldsAreNotRead) {
    const std::string file =
        "fLaC" + kStreamInfo + Block(6, std::string(4 << 20, '\x89')) +
        Block(4, Comments({"COVERART=" + std::string(1 << 20, 'x'), "TITLE=After art"}), true);
    MemorySource src(file.data(), file.size());
    EXPECT_EQ(ReadFlacTitle(src, MarkingAnsi).title, u"After art");
    EXPECT_LT(src.BytesRead(), 200u);
}

TEST(FlacReader, HostileCounts) {
    // Lengths and counts that overflow or exceed the block: no title, no crash.
    const std::string hugeVendor = Le32(0xFFFFFFFF) + "v" + Le32(1) + Le32(7) + "TITLE=x";
    EXPECT_EQ(Read("fLaC" + Block(4, hugeVendor, true)).status, ReadStatus::Malformed);
    const std::string hugeCount = Le32(0) + Le32(0xFFFFFFFF) + Le32(3) + "a=b";
    EXPECT_EQ(Read("fLaC" + Block(4, hugeCount, true)).status, ReadStatus::Malformed);
    const std::string hugeField = Le32(0) + Le32(1) + Le32(0xFFFFFFFF) + "TITLE=x";
    EXPECT_EQ(Read("fLaC" + Block(4, hugeField, true)).status, ReadStatus::Malformed);
    // A field reaching past its block into the next one is cut by the block's end.
    const std::string spill = Le32(0) + Le32(1) + Le32(20) + "TITLE=x";
    EXPECT_EQ(Read("fLaC" + Block(4, spill) + Block(1, std::string(40, 'p'), true)).status,
              ReadStatus::Malformed);
    std::string manyEmpty = Le32(0) + Le32(100000);
    for (int i = 0; i < 100000; ++i)
        manyEmpty += Le32(0);
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
    FailingSource src(file, 60);
    EXPECT_EQ(ReadFlacTitle(src, MarkingAnsi).status, ReadStatus::IoError);
}

}  // namespace
}  // namespace qm::media
