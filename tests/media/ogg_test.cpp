#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "media/TestUtil.h"

namespace qm::media::test {
namespace {

using namespace std::string_literals;

using Packets = std::vector<std::string>;

// The pages of one logical stream. Each group of packets starts on a fresh page (as the
// identification header does); a group's packets are laced back to back and cut into pages of
// at most maxSegments lacing values, so packets span pages.
std::vector<std::string> StreamPages(std::uint32_t serial, const std::vector<Packets>& groups,
                                     std::size_t maxSegments = 255) {
    std::vector<std::string> pages;
    std::uint32_t sequence = 0;
    for (const Packets& group : groups) {
        std::string lacing, data;
        for (const std::string& p : group) {
            std::size_t n = p.size();
            for (; n >= 255; n -= 255)
                lacing += '\xFF';
            lacing += static_cast<char>(n);
            data += p;
        }
        bool continued = false;
        for (std::size_t seg = 0, at = 0; seg < lacing.size();) {
            const std::size_t k = std::min(maxSegments, lacing.size() - seg);
            std::size_t bytes = 0;
            for (std::size_t i = seg; i < seg + k; ++i)
                bytes += static_cast<unsigned char>(lacing[i]);
            const char flags = static_cast<char>((continued ? 1 : 0) | (pages.empty() ? 2 : 0));
            pages.push_back("OggS\0"s + flags + Le<64>(0) + Le<32>(serial) + Le<32>(sequence++) +
                            Le<32>(0) + static_cast<char>(k) + lacing.substr(seg, k) +
                            data.substr(at, bytes));
            continued = static_cast<unsigned char>(lacing[seg + k - 1]) == 255;
            seg += k;
            at += bytes;
        }
    }
    return pages;
}

std::string Join(const std::vector<std::string>& pages) {
    std::string s;
    for (const std::string& p : pages)
        s += p;
    return s;
}

// Pages of several streams: first every stream's first page, then the rest in turns.
std::string Interleave(const std::vector<std::vector<std::string>>& streams) {
    std::string s;
    for (const auto& pages : streams)
        s += pages.front();
    for (std::size_t i = 1;; ++i) {
        bool any = false;
        for (const auto& pages : streams) {
            if (i < pages.size()) {
                s += pages[i];
                any = true;
            }
        }
        if (!any) return s;
    }
}

std::string Comments(const std::string& vendor, const std::vector<std::string>& fields) {
    std::string c = Le<32>(static_cast<std::uint32_t>(vendor.size())) + vendor +
                    Le<32>(static_cast<std::uint32_t>(fields.size()));
    for (const std::string& f : fields)
        c += Le<32>(static_cast<std::uint32_t>(f.size())) + f;
    return c;
}

const std::string kVorbisId = "\x01vorbis"s + std::string(23, '\x02');
const std::string kVorbisSetup = "\x05vorbis"s + std::string(300, '\x05');
const std::string kOpusHead = "OpusHead\x01\x01"s + std::string(9, '\0');
const std::string kTheoraId = "\x80theora"s + std::string(35, '\0');

std::string VorbisComment(const std::string& vendor, const std::vector<std::string>& fields) {
    return "\x03vorbis" + Comments(vendor, fields) + "\x01";
}
std::string TheoraComment(const std::string& vendor, const std::vector<std::string>& fields) {
    return "\x81theora" + Comments(vendor, fields);  // no framing bit after the list
}
// A Theora stream and a Vorbis stream, pages interleaved, as ffmpeg writes an .ogv.
std::string TheoraAndVorbis(const std::vector<std::string>& video,
                            const std::vector<std::string>& audio) {
    return Interleave(
        {StreamPages(1, {{kTheoraId}, {TheoraComment("Lavf", video), "\x82theora"}}),
         StreamPages(2, {{kVorbisId}, {VorbisComment("Lavf", audio), kVorbisSetup}})});
}
std::string OpusTags(const std::string& vendor, const std::vector<std::string>& fields) {
    return "OpusTags" + Comments(vendor, fields);
}

std::string Vorbis(const std::string& vendor, const std::vector<std::string>& fields,
                   std::size_t maxSegments = 255, std::uint32_t serial = 7) {
    return Join(StreamPages(serial, {{kVorbisId}, {VorbisComment(vendor, fields), kVorbisSetup}},
                            maxSegments));
}

TitleResult Read(const std::string& file) {
    return RunReader(ReadOggTitle, file);
}

class OggTest : public ReaderTest {};

TEST_P(OggTest, ReadsTitle) {
    ExpectCaseAndTruncations(ReadOggTitle, "ogg", GetParam());
}

// A vendor string that puts the TITLE field across the boundary of 2-segment pages.
const std::string kStraddle(490, 'v');

INSTANTIATE_TEST_SUITE_P(
    Files, OggTest,
    testing::Values(
        ReaderCase{"Vorbis", Vorbis("Lavf", {"ENCODER=x", "title=Song"}), ReadStatus::Found,
                   u"Song"},
        ReaderCase{"VorbisCommentSpansTwoPages", Vorbis(kStraddle, {"TITLE=Spanning"}, 2),
                   ReadStatus::Found, u"Spanning"},
        ReaderCase{"VorbisCommentSpansManyPages",
                   Vorbis("v", {"PAD=" + std::string(3000, 'p'), "TITLE=\xE6\x97\xA5"}, 3),
                   ReadStatus::Found, u"\u65E5"},
        ReaderCase{"PacketOfExactly510Bytes",
                   Join(StreamPages(3, {{kVorbisId},
                                        {VorbisComment("", {"TITLE=" + std::string(484, 't')}),
                                         kVorbisSetup}})),
                   ReadStatus::Found, std::u16string(484, u't')},
        ReaderCase{"Opus",
                   Join(StreamPages(9, {{kOpusHead}, {OpusTags(kStraddle, {"TITLE=Opus"})}}, 2)),
                   ReadStatus::Found, u"Opus"},
        ReaderCase{"OggFlac",
                   Join(StreamPages(4, {{"\x7F"
                                         "FLAC\x01\x00\x00\x01"
                                         "fLaC"s +
                                         std::string(38, '\0')},
                                        {"\x84\0\0\x1F"s + Comments("ref", {"TITLE=Flac"})}})),
                   ReadStatus::Found, u"Flac"},
        ReaderCase{
            "VideoStreamFirst",
            Interleave({StreamPages(1, {{kTheoraId}, {"\x81theora", "\x82theora"}}),
                        StreamPages(2,
                                    {{kVorbisId},
                                     {VorbisComment(kStraddle, {"TITLE=Audio"}), kVorbisSetup}},
                                    2)}),
            ReadStatus::Found, u"Audio"},
        ReaderCase{
            "FirstAudioStreamWins",
            Interleave({StreamPages(1, {{kOpusHead}, {OpusTags("", {"TITLE=First"})}}),
                        StreamPages(2, {{kVorbisId},
                                        {VorbisComment("", {"TITLE=Second"}), kVorbisSetup}})}),
            ReadStatus::Found, u"First"},
        ReaderCase{"NoTitleField", Vorbis("Lavf", {"ARTIST=x"}), ReadStatus::NoTitle, u""},
        ReaderCase{
            "TheoraTitleBeatsVorbis",
            TheoraAndVorbis({"ENCODER=x", "title=\xE6\x97\xA5\xE6\x9C\xAC"}, {"TITLE=Audio"}),
            ReadStatus::Found, u"日本"},
        ReaderCase{"TheoraWithoutTitleFallsToVorbis",
                   TheoraAndVorbis({"ENCODER=x"}, {"TITLE=Audio"}), ReadStatus::Found, u"Audio"},
        ReaderCase{"EmptyTheoraTitleFallsToVorbis", TheoraAndVorbis({"TITLE="}, {"TITLE=Audio"}),
                   ReadStatus::Found, u"Audio"},
        ReaderCase{"EmptyTitleAlone", TheoraAndVorbis({"TITLE="}, {"ARTIST=x"}), ReadStatus::Found,
                   u""},
        ReaderCase{"NoTitleInAnyStream", TheoraAndVorbis({"ARTIST=x"}, {"ARTIST=y"}),
                   ReadStatus::NoTitle, u""},
        ReaderCase{"OnlyVideo",
                   Join(StreamPages(1, {{kTheoraId}, {TheoraComment("v", {"TITLE=Video"})}})),
                   ReadStatus::Found, u"Video"},
        ReaderCase{"WrongCommentMagic",
                   Join(StreamPages(1, {{kVorbisId}, {"\x05vorbis" + Comments("", {"TITLE=x"})}})),
                   ReadStatus::Malformed, u""},
        ReaderCase{"NotOgg", "OggX" + std::string(100, '\0'), ReadStatus::NotThisFormat, u""}),
    CaseName);

TEST(OggReader, PageThatDoesNotContinueTheCommentIsMalformed) {
    std::vector<std::string> pages =
        StreamPages(7, {{kVorbisId}, {VorbisComment(kStraddle, {"TITLE=x"}), kVorbisSetup}}, 2);
    pages[2][5] = 0;  // the comment's second page no longer says it continues a packet
    EXPECT_EQ(Read(Join(pages)).status, ReadStatus::Malformed);
}

TEST(OggReader, LargeCommentFieldsAreSkippedNotRead) {
    const std::string art = "METADATA_BLOCK_PICTURE=" + std::string(2 << 20, 'A');
    const std::string file = Vorbis("Lavf", {art, "TITLE=After art"});
    MemorySource src(file.data(), file.size());
    EXPECT_EQ(ReadOggTitle(src, MarkingAnsi).title, u"After art");
    EXPECT_LT(src.BytesRead(), 16384u);
}

TEST(OggReader, PageCountIsCapped) {
    // One segment per page: the comment packet spreads over thousands of pages.
    const std::string file = Vorbis("v", {"PAD=" + std::string(400000, 'p'), "TITLE=x"}, 1);
    EXPECT_EQ(Read(file).status, ReadStatus::Malformed);
}

TEST(OggReader, HostileCommentCounts) {
    const std::string packet = "\x03vorbis" + Le<32>(0) + Le<32>(0xFFFFFFFF) + Le<32>(3) + "a=b";
    EXPECT_EQ(Read(Join(StreamPages(1, {{kVorbisId}, {packet}}))).status, ReadStatus::Malformed);
    const std::string vendor = "\x03vorbis" + Le<32>(0xFFFFFFF0) + "x";
    EXPECT_EQ(Read(Join(StreamPages(1, {{kVorbisId}, {vendor}}))).status, ReadStatus::Malformed);
}

TEST(OggReader, FailingSourceIsIoError) {
    const std::string file = Vorbis("Lavf", {"TITLE=x"});
    ExpectIoErrorFrom(ReadOggTitle, file, 100);
}

}  // namespace
}  // namespace qm::media::test
