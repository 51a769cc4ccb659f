#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/Readers.h"
#include "media/builders_ebml.h"

namespace qm::media::test {
namespace {

using namespace ebml;

class MatroskaLayoutTest : public ReaderTest {};

TEST_P(MatroskaLayoutTest, ReadsTheShellTitle) {
    ExpectCase(ReadMatroskaTitle, GetParam());
}

Bytes Plain(std::vector<Child> children) {
    return File(SegmentPayload(children, {}));
}

Bytes Seeking(std::vector<Child> children, std::vector<std::uint32_t> seekTo = {kInfo, kTags}) {
    return File(SegmentPayload(children, seekTo));
}

Bytes TagWith(std::string_view targets, std::string_view title) {
    return Tags(Tag(targets, SimpleTag("TITLE", title)));
}

const Child kInfoChild{kInfo, Info("Info title")};
const Child kTracksChild{kTracks, Tracks()};
const Child kClusters{kCluster, Cat({Cluster(200), Cluster(300)})};

INSTANTIATE_TEST_SUITE_P(
    Layouts, MatroskaLayoutTest,
    testing::Values(
        ReaderCase{"InfoTitle", Plain({kInfoChild, kTracksChild, kClusters}), ReadStatus::Found,
                u"Info title"},
        ReaderCase{"WebmInfoTitle",
                File(SegmentPayload({kInfoChild, kTracksChild, kClusters}, {}), "webm"),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"JapaneseInfoTitle", Plain({{kInfo, Info("日本語のタイトル")}}),
                ReadStatus::Found, u"日本語のタイトル"},
        ReaderCase{"SegmentTagWinsOverInfo",
                Plain({kInfoChild, kTracksChild, {kTags, SegmentTitleTag("Tag title")}, kClusters}),
                ReadStatus::Found, u"Tag title"},
        ReaderCase{"TagsAfterClustersThroughSeekHead",
                Seeking({kInfoChild, kTracksChild, kClusters, {kTags, SegmentTitleTag("Late")}}),
                ReadStatus::Found, u"Late"},
        ReaderCase{"TagsAfterClustersWithoutSeekHead",
                Plain({kInfoChild, kTracksChild, kClusters, {kTags, SegmentTitleTag("Late")}}),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"InfoAfterClustersThroughSeekHead",
                Seeking({kTracksChild, kClusters, kInfoChild}), ReadStatus::Found,
                u"Info title"},
        ReaderCase{"TrackTagIgnored",
                Plain({kInfoChild, {kTags, TagWith(Uint(kTagTrackUid, 0x1234), "Track")}}),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"ChapterTagIgnored",
                Plain({kInfoChild, {kTags, TagWith(Uint(kTagChapterUid, 7), "Chapter")}}),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"ZeroUidMeansWholeSegment",
                Plain({kInfoChild, {kTags, TagWith(Uint(kTagTrackUid, 0), "Zero")}}),
                ReadStatus::Found, u"Zero"},
        ReaderCase{"TargetTypeFiftyIsSegment",
                Plain({kInfoChild, {kTags, TagWith(Uint(kTargetTypeValue, 50), "Fifty")}}),
                ReadStatus::Found, u"Fifty"},
        ReaderCase{"TargetTypeThirtyIgnored",
                Plain({kInfoChild, {kTags, TagWith(Uint(kTargetTypeValue, 30), "Thirty")}}),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"TrackTagBeforeSegmentTag",
                Plain({kInfoChild,
                       {kTags, Tags(Cat({Tag(Uint(kTagTrackUid, 9), SimpleTag("TITLE", "Track")),
                                         Tag("", SimpleTag("TITLE", "Segment"))}))}}),
                ReadStatus::Found, u"Segment"},
        ReaderCase{"TargetsAfterSimpleTag",
                Plain({kInfoChild, {kTags, Tags(El(kTag, Cat({SimpleTag("TITLE", "Track"),
                                                              El(kTargets, Uint(kTagTrackUid, 9))})))}}),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"TagNameAnyCase",
                Plain({kInfoChild, {kTags, Tags(Tag("", SimpleTag("title", "Lower")))}}),
                ReadStatus::Found, u"Lower"},
        ReaderCase{"TagStringBeforeTagName",
                Plain({{kTags, Tags(Tag("", El(kSimpleTag, Cat({El(kTagString, "Swapped"),
                                                                El(kTagName, "TITLE")}))))}}),
                ReadStatus::Found, u"Swapped"},
        ReaderCase{"NestedTitleIgnored",
                Plain({kInfoChild,
                       {kTags, Tags(Tag("", El(kSimpleTag, Cat({El(kTagName, "ARTIST"),
                                                                El(kTagString, "A"),
                                                                SimpleTag("TITLE", "Nested")}))))}}),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"EmptyTagTitleFallsBackToInfo",
                Plain({kInfoChild, {kTags, SegmentTitleTag("")}}), ReadStatus::Found,
                u"Info title"},
        ReaderCase{"NoTitleAnywhere",
                Plain({{kInfo, InfoWithoutTitle()}, kTracksChild, {kTags, Tags(Tag("", SimpleTag("ARTIST", "A")))}}),
                ReadStatus::NoTitle, u""},
        ReaderCase{"UnknownSizeSegment",
                Cat({Header(), Unknown(kSegment, Cat({Info("Open"), Tracks(), Cluster(50)}))}),
                ReadStatus::Found, u"Open"},
        ReaderCase{"UnknownSizeClusterThenTagsThroughSeekHead",
                Seeking({kInfoChild, {kCluster, Unknown(kCluster, Cluster(40))},
                         {kTags, SegmentTitleTag("After live")}}),
                ReadStatus::Found, u"After live"},
        ReaderCase{"UnknownSizeClusterWithoutSeekHead",
                Plain({kInfoChild, {kCluster, Unknown(kCluster, Cluster(40))},
                       {kTags, SegmentTitleTag("Unreached")}}),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"VoidBeforeSegmentAndCrcInside",
                Cat({Header(), El(kVoid, Bytes(10, '\0')),
                     El(kSegment, Cat({El(kVoid, Bytes(3, '\0')),
                                       El(kInfo, Cat({El(kCrc32, "abcd"), El(kTitle, "Void")}))}))}),
                ReadStatus::Found, u"Void"},
        ReaderCase{"ChainedSeekHeads",
                [] {
                    // The first SeekHead names only a second one at the end, which names Tags.
                    const Bytes tags = SegmentTitleTag("Chained");
                    const Bytes clusters = Cluster(100);
                    Bytes second;
                    const auto firstFor = [](std::uint64_t pos) {
                        Bytes p;
                        PutBE(p, pos, 8);
                        return El(kSeekHead, El(kSeek, Cat({El(kSeekId, Id(kSeekHead)),
                                                            El(kSeekPosition, p)})));
                    };
                    const std::size_t firstSize = firstFor(0).size();
                    const std::uint64_t tagsPos = firstSize + clusters.size();
                    Bytes p;
                    PutBE(p, tagsPos, 8);
                    second = El(kSeekHead, El(kSeek, Cat({El(kSeekId, Id(kTags)),
                                                          El(kSeekPosition, p)})));
                    return File(Cat({firstFor(tagsPos + tags.size()), clusters, tags, second}));
                }(),
                ReadStatus::Found, u"Chained"},
        ReaderCase{"StaleSeekEntryIgnored",
                // The entry for Tags points at the Tracks element instead (19 + 34).
                File(Cat({El(kSeekHead, El(kSeek, Cat({El(kSeekId, Id(kTags)),
                                                       El(kSeekPosition, "\x35")}))),
                          Info("Info title"), Tracks()})),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"SeekEntryIntoAnElementIgnored",
                File(Cat({El(kSeekHead, El(kSeek, Cat({El(kSeekId, Id(kTags)),
                                                       El(kSeekPosition, "\x16")}))),
                          Info("Info title"), Tracks()})),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"SeekEntryPastTheEndIgnored",
                File(Cat({El(kSeekHead, El(kSeek, Cat({El(kSeekId, Id(kTags)),
                                                       El(kSeekPosition, "\x7F\xFF\xFF")}))),
                          Info("Info title")})),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"SegmentLongerThanFile",
                Cat({Header(), Id(kSegment), Size(100000), Info("Cut short"), Cluster(20)}),
                ReadStatus::Found, u"Cut short"},
        ReaderCase{"DocTypeAbsentMeansMatroska",
                Cat({El(kEbml, Uint(0x4286, 1)), El(kSegment, Info("No doctype"))}),
                ReadStatus::Found, u"No doctype"},
        ReaderCase{"OtherDocType", File(Info("x"), "notmkv"), ReadStatus::NotThisFormat, u""},
        ReaderCase{"NoSegment", Header(), ReadStatus::NoTitle, u""},
        ReaderCase{"NotEbml", Bytes("\x1A\x45\xDF\xA4 not quite"), ReadStatus::NotThisFormat, u""},
        ReaderCase{"Empty", Bytes(), ReadStatus::NotThisFormat, u""}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Malformed, MatroskaLayoutTest,
    testing::Values(
        ReaderCase{"IdLongerThanFourBytes",
                File(Cat({Info("T"), Bytes("\x08\x11\x22\x33\x44\x81\x00", 7)})),
                ReadStatus::Malformed, u""},
        ReaderCase{"SizeWithoutMarker", File(Cat({Id(kInfo), Bytes(1, '\0'), Bytes(8, 'x')})),
                ReadStatus::Malformed, u""},
        ReaderCase{"ChildLongerThanParent",
                File(El(kInfo, Cat({Id(kTitle), Size(50), Bytes("short")}))),
                ReadStatus::Malformed, u""},
        ReaderCase{"HugeEightByteSize",
                File(Cat({Id(kInfo), Size(0x00FFFFFFFFFFFFFEull, 8), Bytes(20, '\0')})),
                ReadStatus::Malformed, u""},
        ReaderCase{"UnknownSizeInfo", File(Unknown(kInfo, El(kTitle, "T"))), ReadStatus::Malformed,
                u""},
        ReaderCase{"UnknownSizeInsideInfo", Plain({{kInfo, El(kInfo, Unknown(kTitle, "T"))}}),
                ReadStatus::Malformed, u""},
        ReaderCase{"UidLongerThanEightBytes",
                Plain({{kTags, Tags(Tag(El(kTagTrackUid, Bytes(9, '\1')), SimpleTag("TITLE", "x")))}}),
                ReadStatus::Malformed, u""},
        ReaderCase{"HugeEbmlHeader", Cat({El(kEbml, Bytes(5000, '\0')), El(kSegment, Info("T"))}),
                ReadStatus::Malformed, u""},
        ReaderCase{"TooManyChildren",
                [] {
                    Bytes voids;
                    for (int i = 0; i < 5000; ++i) voids += El(kVoid, "");
                    return File(El(kInfo, Cat({voids, El(kTitle, "T")})));
                }(),
                ReadStatus::Malformed, u""},
        ReaderCase{"TwentyLevelSimpleTagNest",
                [] {
                    Bytes inner = SimpleTag("TITLE", "Deep");
                    for (int i = 0; i < 20; ++i) inner = El(kSimpleTag, Cat({El(kTagName, "X"), inner}));
                    return Plain({kInfoChild, {kTags, Tags(Tag("", inner))}});
                }(),
                ReadStatus::Found, u"Info title"},
        ReaderCase{"SeekHeadsPointingAtEachOther",
                [] {
                    // Two SeekHeads that name each other and nothing else.
                    const auto head = [](std::uint64_t pos) {
                        Bytes p;
                        PutBE(p, pos, 8);
                        return El(kSeekHead, El(kSeek, Cat({El(kSeekId, Id(kSeekHead)),
                                                            El(kSeekPosition, p)})));
                    };
                    const Bytes middle = Cat({Info("Loop"), Cluster(20)});
                    const std::uint64_t second = head(0).size() + middle.size();
                    return File(Cat({head(second), middle, head(0)}));
                }(),
                ReadStatus::Found, u"Loop"}),
    CaseName);

TEST(MatroskaReader, ClustersAreNotRead) {
    ExpectBytesReadFlatAsMediaGrows(
        ReadMatroskaTitle,
        [](std::size_t media) {
            return Seeking({kInfoChild,
                            kTracksChild,
                            {kCluster, Cluster(media)},
                            {kTags, SegmentTitleTag("Late")}});
        },
        u"Late", 1000);
}

TEST(MatroskaReader, MediumFailureIsIoError) {
    const Bytes file = Seeking({kInfoChild, kClusters, {kTags, SegmentTitleTag("Late")}});
    ExpectIoErrorFrom(ReadMatroskaTitle, file, file.size() - 20);
}

TEST(MatroskaReader, EveryPrefixReadsSafely) {
    const std::vector<std::pair<std::string, Bytes>> samples = {
        {"info", Plain({{kInfo, Info("Title")}, kTracksChild, kClusters})},
        {"tags_seek",
         Seeking(
             {{kInfo, Info("Title")}, kTracksChild, kClusters, {kTags, SegmentTitleTag("Title")}})},
        {"unknown_sizes",
         Cat({Header("webm"),
              Unknown(kSegment, Cat({Info("Title"), Tracks(), Unknown(kCluster, Cluster(9))}))})},
        {"track_tag",
         Plain({{kInfo, Info("Title")}, {kTags, TagWith(Uint(kTagTrackUid, 5), "Other")}})},
    };
    ExpectSamplesTruncateSafely(ReadMatroskaTitle, "mkv", samples, u"Title");
}

}  // namespace
}  // namespace qm::media::test
