#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/ByteStream.h"
#include "media/Readers.h"
#include "media/builders_iso.h"

namespace qm::media::test {
namespace {

using namespace iso;
using namespace std::string_view_literals;

struct Mp4Case {
    const char* name;
    Bytes file;
    ReadStatus status;
    std::u16string title;
};

std::ostream& operator<<(std::ostream& os, const Mp4Case& c) {
    return os << c.name;
}

class Mp4LayoutTest : public testing::TestWithParam<Mp4Case> {};

TEST_P(Mp4LayoutTest, ReadsTheShellTitle) {
    const Mp4Case& c = GetParam();
    const TitleResult r = tu::Run(ReadMp4Title, c.file);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.title, c.title);
    if (r.status != ReadStatus::NotThisFormat) {
        EXPECT_STREQ(r.format, "mp4");
    }
}

const Bytes kUdtaTitle = Box("udta", MetaFull(IlstName("Title")));

INSTANTIATE_TEST_SUITE_P(
    Layouts, Mp4LayoutTest,
    testing::Values(
        Mp4Case{"MoovBeforeMdat", Mp4WithTitle("Title"), ReadStatus::Found, u"Title"},
        Mp4Case{"MoovAfterMdat",
                Cat({Ftyp(), Box("mdat", Bytes(300, 1)), Box("moov", Cat({Mvhd(), kUdtaTitle}))}),
                ReadStatus::Found, u"Title"},
        Mp4Case{"FileStartsWithMdat", Cat({Box("mdat", Bytes(10, 1)), Box("moov", kUdtaTitle)}),
                ReadStatus::Found, u"Title"},
        Mp4Case{"LargeSizeMdatBeforeMoov",
                Cat({Ftyp(), Box64("mdat", Bytes(40, 1)), Box("moov", kUdtaTitle)}),
                ReadStatus::Found, u"Title"},
        Mp4Case{"LargeSizeMoov", Cat({Ftyp(), Box64("moov", kUdtaTitle)}), ReadStatus::Found,
                u"Title"},
        Mp4Case{"MdatSizeZeroRunsToEnd",
                Cat({Ftyp(), Box("moov", kUdtaTitle), BoxToEnd("mdat", Bytes(50, 2))}),
                ReadStatus::Found, u"Title"},
        Mp4Case{"MoovSizeZeroRunsToEnd", Cat({Ftyp(), BoxToEnd("moov", kUdtaTitle)}),
                ReadStatus::Found, u"Title"},
        Mp4Case{"ChildSizeZeroRunsToParentEnd",
                Cat({Ftyp(), Box("moov", Cat({Mvhd(), BoxToEnd("udta", MetaFull(IlstName("T")))})),
                     Box("free", {})}),
                ReadStatus::Found, u"T"},
        Mp4Case{"QuickTimeMetaWithoutVersion",
                Cat({Ftyp(), Box("moov", Box("udta", MetaPlain(IlstName("Plain"))))}),
                ReadStatus::Found, u"Plain"},
        Mp4Case{"MetaDirectlyInMoov", Cat({Ftyp(), Box("moov", MetaFull(IlstName("Moov meta")))}),
                ReadStatus::Found, u"Moov meta"},
        Mp4Case{"JapaneseUtf8", Mp4WithTitle("日本語のタイトル"), ReadStatus::Found,
                u"日本語のタイトル"},
        Mp4Case{"DataAtomUtf16",
                Cat({Ftyp(), Box("moov", Box("udta", MetaFull(Box(kName, Data("\0T\0i"sv, 2)))))}),
                ReadStatus::Found, u"Ti"},
        Mp4Case{"NumericDataAtomIsNoText",
                Cat({Ftyp(), Box("moov", Box("udta", MetaFull(Box(kName, Data("\x01", 21)))))}),
                ReadStatus::NoTitle, u""},
        Mp4Case{"TrailingNulDropped", Mp4WithTitle(std::string("Nul\0\0", 5)), ReadStatus::Found,
                u"Nul"},
        Mp4Case{"FirstNameItemWins",
                Cat({Ftyp(),
                     Box("moov", Box("udta", MetaFull(Cat({IlstName("One"), IlstName("Two")}))))}),
                ReadStatus::Found, u"One"},
        Mp4Case{"QuickTimeTextItem",
                Cat({Ftyp(), Box("moov", Cat({Mvhd(), Box("udta", QtName("Quick"))}))}),
                ReadStatus::Found, u"Quick"},
        Mp4Case{"QuickTimeTextItemMacRoman",
                Cat({Ftyp(), Box("moov", Box("udta", QtName("Caf\x8E", 0)))}), ReadStatus::Found,
                u"Café"},
        Mp4Case{"QuickTimeTextItemMacLanguageValidUtf8",
                Cat({Ftyp(), Box("moov", Box("udta", QtName("Caf\xC3\xA9", 0)))}),
                ReadStatus::Found, u"Café"},
        Mp4Case{"QuickTimeTextItemUtf16Bom",
                Cat({Ftyp(), Box("moov", Box("udta", QtName("\xFE\xFF\0O\0K"sv)))}),
                ReadStatus::Found, u"OK"},
        Mp4Case{"QuickTimeTextItemHoldingDataAtom",
                Cat({Ftyp(), Box("moov", Box("udta", Box(kName, Data("Atom"))))}),
                ReadStatus::Found, u"Atom"},
        Mp4Case{"QuickTimeTextStartingWithDataIsText",
                Cat({Ftyp(), Box("moov", Box("udta", QtName("database title")))}),
                ReadStatus::Found, u"database title"},
        Mp4Case{"ItunesItemBeatsQuickTimeItem",
                Cat({Ftyp(), Box("moov", Box("udta", Cat({QtName("Quick"),
                                                          MetaFull(IlstName("Itunes"))})))}),
                ReadStatus::Found, u"Itunes"},
        Mp4Case{
            "EmptyItunesItemFallsBackToQuickTime",
            Cat({Ftyp(), Box("moov", Box("udta", Cat({MetaFull(IlstName("")), QtName("Quick")})))}),
            ReadStatus::Found, u"Quick"},
        Mp4Case{"EmptyItunesItemAlone", Mp4WithTitle(""), ReadStatus::Found, u""},
        Mp4Case{"UdtaEndsWithZeroTerminator",
                Cat({Ftyp(), Box("moov", Box("udta", Cat({QtName("Z"), Bytes(4, 0)})))}),
                ReadStatus::Found, u"Z"},
        Mp4Case{"TitleInTrackUdtaIgnored",
                Cat({Ftyp(), Box("moov", Box("trak", Box("udta", MetaFull(IlstName("Track")))))}),
                ReadStatus::NoTitle, u""},
        Mp4Case{"NoUdta", Cat({Ftyp(), Box("moov", Cat({Mvhd(), Trak()}))}), ReadStatus::NoTitle,
                u""},
        Mp4Case{"NoMoov", Cat({Ftyp(), Box("mdat", Bytes(20, 0))}), ReadStatus::NoTitle, u""},
        Mp4Case{"NotMp4", Bytes("RIFF\x10\0\0\0AVI LIST"sv), ReadStatus::NotThisFormat, u""},
        Mp4Case{"UnknownFirstBox", Box("abcd", Bytes(8, 0)), ReadStatus::NotThisFormat, u""},
        Mp4Case{"TooShort", Bytes("\0\0\0"sv), ReadStatus::NotThisFormat, u""},
        Mp4Case{"Empty", Bytes{}, ReadStatus::NotThisFormat, u""}),
    [](const testing::TestParamInfo<Mp4Case>& info) { return info.param.name; });

// Broken sizes and shapes, and a 20-level nest: each ends in "malformed" or "no title".
INSTANTIATE_TEST_SUITE_P(
    Malformed, Mp4LayoutTest,
    testing::Values(
        Mp4Case{"ChildLongerThanParent",
                Cat({Ftyp(), Box("moov", BoxClaiming("udta", 500, Bytes(10, 0)))}),
                ReadStatus::Malformed, u""},
        Mp4Case{"ChildSizeBelowHeader", Cat({Ftyp(), Box("moov", BoxClaiming("udta", 4, {}))}),
                ReadStatus::Malformed, u""},
        Mp4Case{"LargeSizeBelowHeader", Cat({Ftyp(), Box64("moov", kUdtaTitle, 12)}),
                ReadStatus::Malformed, u""},
        Mp4Case{"LargeSizeOverflows",
                Cat({Ftyp(), Box64("mdat", {}, ~std::uint64_t{0}), Box("moov", kUdtaTitle)}),
                ReadStatus::Malformed, u""},
        Mp4Case{"MdatPastEndOfFile",
                Cat({Ftyp(), BoxClaiming("mdat", 0x7FFFFFFF), Box("moov", kUdtaTitle)}),
                ReadStatus::Malformed, u""},
        Mp4Case{"TitleTextPastItem",
                Cat({Ftyp(), Box("moov", Box("udta", Box(kName, Bytes("\x00\x40\x55\xC4" "Ab"sv))))}),
                ReadStatus::Malformed, u""},
        Mp4Case{"TextItemTooShort", Cat({Ftyp(), Box("moov", Box("udta", Box(kName, Bytes("\0"sv))))}),
                ReadStatus::Malformed, u""},
        Mp4Case{"SelfContainingMoov",
                Cat({Ftyp(), BoxClaiming("moov", 16, BoxClaiming("moov", 16))}),
                ReadStatus::Malformed, u""},
        Mp4Case{"TwentyLevelNest",
                [] {
                    Bytes inner = IlstName("Deep");
                    for (int i = 0; i < 20; ++i) inner = Box("udta", inner);
                    return Cat({Ftyp(), Box("moov", inner)});
                }(),
                ReadStatus::NoTitle, u""},
        Mp4Case{"TooManyTopLevelBoxes",
                [] {
                    Bytes file = Ftyp();
                    for (int i = 0; i < 5000; ++i) file = Cat({file, Box("free", {})});
                    return Cat({file, Box("moov", kUdtaTitle)});
                }(),
                ReadStatus::Malformed, u""}),
    [](const testing::TestParamInfo<Mp4Case>& info) { return info.param.name; });

// QuickTime metadata keys and the 3GPP asset title, and where they stand after ©nam.
const Bytes kKeyedTitle =
    MetaKeyed(Keys({"com.apple.quicktime.artist", "com.apple.quicktime.title"}),
              Cat({KeyedItem(1, Data("Artist")), KeyedItem(2, Data("Keyed"))}));

INSTANTIATE_TEST_SUITE_P(
    KeysAndAssetTitle, Mp4LayoutTest,
    testing::Values(
        Mp4Case{"AppleKeyInMoovMeta", Cat({Ftyp(), Box("moov", Cat({Mvhd(), kKeyedTitle}))}),
                ReadStatus::Found, u"Keyed"},
        Mp4Case{
            "FfmpegKeyInUdtaUtf16",
            Cat({Ftyp(),
                 Box("moov", Box("udta", MetaKeyed(Keys({"encoder", "Title"}),
                                                   Cat({KeyedItem(2, Data("\x65\xE5\x67\x2C"sv, 2)),
                                                        KeyedItem(1, Data("Lavf"))}),
                                                   true)))}),
            ReadStatus::Found, u"日本"},
        Mp4Case{"KeyIndexOutsideListIgnored",
                Cat({Ftyp(),
                     Box("moov", MetaKeyed(Keys({"title"}), Cat({KeyedItem(0, Data("Zero")),
                                                                 KeyedItem(2, Data("Past"))})))}),
                ReadStatus::NoTitle, u""},
        Mp4Case{"NameItemUnderKeyedHandlerIgnored",
                Cat({Ftyp(), Box("moov", MetaKeyed(Keys({"title"}), IlstName("Name")))}),
                ReadStatus::NoTitle, u""},
        Mp4Case{"NameBeatsKeysBeatsAssetTitle",
                Cat({Ftyp(),
                     Box("moov", Cat({Box("udta", Cat({Titl("Asset"), MetaFull(IlstName("Name"))})),
                                      kKeyedTitle}))}),
                ReadStatus::Found, u"Name"},
        Mp4Case{"KeysBeatAssetTitle",
                Cat({Ftyp(), Box("moov", Cat({Box("udta", Titl("Asset")), kKeyedTitle}))}),
                ReadStatus::Found, u"Keyed"},
        Mp4Case{"EmptyKeyedTitleFallsBackToAssetTitle",
                Cat({Ftyp(), Box("moov", Cat({MetaKeyed(Keys({"title"}), KeyedItem(1, Data(""))),
                                              Box("udta", Titl("Asset"))}))}),
                ReadStatus::Found, u"Asset"},
        Mp4Case{"AssetTitleUtf8EndsAtNul",
                Cat({Ftyp(), Box("moov", Box("udta", Titl("日本語\0junk"sv)))}), ReadStatus::Found,
                u"日本語"},
        Mp4Case{"AssetTitleUtf16BigEndianBom",
                Cat({Ftyp(), Box("moov", Box("udta", Titl("\xFE\xFF\0T\0i\0\0\0x"sv)))}),
                ReadStatus::Found, u"Ti"},
        Mp4Case{"AssetTitleUtf16LittleEndianBom",
                Cat({Ftyp(), Box("moov", Box("udta", Titl("\xFF\xFET\0i\0"sv)))}),
                ReadStatus::Found, u"Ti"},
        Mp4Case{"AssetTitleLongerThanCapIsCut",
                Cat({Ftyp(), Box("moov", Box("udta", Titl(Bytes(kMaxTitleBytes + 9, 'x'))))}),
                ReadStatus::Found, std::u16string(kMaxTitleBytes, u'x')},
        Mp4Case{"AssetTitleTooShort",
                Cat({Ftyp(), Box("moov", Box("udta", Box("titl", "\0\0\0\0\x55"sv)))}),
                ReadStatus::Malformed, u""},
        Mp4Case{"KeyLongerThanKeysBox",
                Cat({Ftyp(), Box("moov", MetaKeyed(Box("keys", Cat({Bytes(4, '\0'), tu::Be32(1),
                                                                    tu::Be32(40), "mdtatitle"})),
                                                   KeyedItem(1, Data("T"))))}),
                ReadStatus::Malformed, u""},
        Mp4Case{"KeyCountPastKeysBox",
                Cat({Ftyp(), Box("moov", MetaKeyed(Box("keys", Cat({Bytes(4, '\0'), tu::Be32(3),
                                                                    tu::Be32(12), "mdtaname"})),
                                                   KeyedItem(1, Data("T"))))}),
                ReadStatus::Malformed, u""}),
    [](const testing::TestParamInfo<Mp4Case>& info) { return info.param.name; });

TEST(Mp4Reader, TitleLongerThanTheCapIsCut) {
    const std::string longTitle(kMaxTitleBytes + 100, 'x');
    const TitleResult r = tu::Run(ReadMp4Title, Mp4WithTitle(longTitle));
    ASSERT_EQ(r.status, ReadStatus::Found);
    EXPECT_EQ(r.title, std::u16string(kMaxTitleBytes, u'x'));
}

// moov after an mdat that claims more than 4 GiB: the reader skips it by its header.
TEST(Mp4Reader, MoovAfterMdatBeyondFourGiB) {
    const std::uint64_t mdatSize = (std::uint64_t{6} << 30) + 12345;
    const Bytes head = Cat({Ftyp(), Box64("mdat", {}, mdatSize)});
    const Bytes moov = Box("moov", Cat({Mvhd(), kUdtaTitle}));
    SparseSource src(head.size() - 16 + mdatSize + moov.size());
    src.Put(0, head);
    src.Put(head.size() - 16 + mdatSize, moov);
    const TitleResult r = ReadMp4Title(src, DecodeCp1252);
    EXPECT_EQ(r.status, ReadStatus::Found);
    EXPECT_EQ(r.title, u"Title");
    EXPECT_LT(src.BytesRead(), 200u);
}

// What the reader takes from a file does not grow with the media data.
TEST(Mp4Reader, BytesReadStayFlatAsMdatGrows) {
    std::vector<std::uint64_t> read;
    for (const std::size_t mdat : {std::size_t{1} << 10, std::size_t{1} << 22}) {
        const Bytes file = Cat({Ftyp(), Box("mdat", Bytes(mdat, '\0')), Box("moov", kUdtaTitle)});
        MemorySource src(file.data(), file.size());
        ASSERT_EQ(ReadMp4Title(src, DecodeCp1252).title, u"Title");
        read.push_back(src.BytesRead());
    }
    EXPECT_EQ(read[0], read[1]);
    EXPECT_LT(read[1], 200u);
}

TEST(Mp4Reader, MediumFailureIsIoError) {
    const Bytes file = Mp4WithTitle("Title");
    FailingSource src(file, file.size() - 300);
    EXPECT_EQ(ReadMp4Title(src, DecodeCp1252).status, ReadStatus::IoError);
}

TEST(Mp4Reader, EveryPrefixReadsSafely) {
    const std::vector<std::pair<std::string, Bytes>> samples = {
        {"typical", Mp4WithTitle("Title")},
        {"moov_last", Cat({Ftyp(), Box64("mdat", Bytes(30, 1)), Box("moov", kUdtaTitle)})},
        {"quicktime",
         Cat({Ftyp(),
              Box("moov", Box("udta", Cat({MetaPlain(IlstName("Title")), QtName("Title")})))})},
        {"moov_to_end", Cat({Ftyp(), BoxToEnd("moov", kUdtaTitle)})},
        {"keys", Cat({Ftyp(), Box("moov", MetaKeyed(Keys({"artist", "com.apple.quicktime.title"}),
                                                    Cat({KeyedItem(1, Data("A")),
                                                         KeyedItem(2, Data("Title"))})))})},
        {"titl", Cat({Ftyp(), Box("moov", Box("udta", Titl("\xFE\xFF\0T\0i\0t\0l\0e\0\0"sv)))})},
    };
    WriteSeedsIfAsked("mp4", samples);
    for (const auto& [name, file] : samples) {
        SCOPED_TRACE(name);
        ExpectTruncationsSafe(ReadMp4Title, file, u"Title");
    }
}

}  // namespace
}  // namespace qm::media::test
