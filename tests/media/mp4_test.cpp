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

class Mp4LayoutTest : public ReaderTest {};

TEST_P(Mp4LayoutTest, ReadsTheShellTitle) {
    const TitleResult r = ExpectCase(ReadMp4Title, GetParam());
    if (r.status != ReadStatus::NotThisFormat) {
        EXPECT_STREQ(r.format, "mp4");
    }
}

const Bytes kUdtaTitle = Box("udta", MetaFull(IlstName("Title")));

INSTANTIATE_TEST_SUITE_P(
    Layouts, Mp4LayoutTest,
    testing::Values(
        ReaderCase{"MoovBeforeMdat", Mp4WithTitle("Title"), ReadStatus::Found, u"Title"},
        ReaderCase{
            "MoovAfterMdat",
            Cat({Ftyp(), Box("mdat", Bytes(300, 1)), Box("moov", Cat({Mvhd(), kUdtaTitle}))}),
            ReadStatus::Found, u"Title"},
        ReaderCase{"FileStartsWithMdat", Cat({Box("mdat", Bytes(10, 1)), Box("moov", kUdtaTitle)}),
                   ReadStatus::Found, u"Title"},
        ReaderCase{"LargeSizeMdatBeforeMoov",
                   Cat({Ftyp(), Box64("mdat", Bytes(40, 1)), Box("moov", kUdtaTitle)}),
                   ReadStatus::Found, u"Title"},
        ReaderCase{"LargeSizeMoov", Cat({Ftyp(), Box64("moov", kUdtaTitle)}), ReadStatus::Found,
                   u"Title"},
        ReaderCase{"MdatSizeZeroRunsToEnd",
                   Cat({Ftyp(), Box("moov", kUdtaTitle), BoxToEnd("mdat", Bytes(50, 2))}),
                   ReadStatus::Found, u"Title"},
        ReaderCase{"MoovSizeZeroRunsToEnd", Cat({Ftyp(), BoxToEnd("moov", kUdtaTitle)}),
                   ReadStatus::Found, u"Title"},
        ReaderCase{
            "ChildSizeZeroRunsToParentEnd",
            Cat({Ftyp(), Box("moov", Cat({Mvhd(), BoxToEnd("udta", MetaFull(IlstName("T")))})),
                 Box("free", {})}),
            ReadStatus::Found, u"T"},
        ReaderCase{"QuickTimeMetaWithoutVersion",
                   Cat({Ftyp(), Box("moov", Box("udta", MetaPlain(IlstName("Plain"))))}),
                   ReadStatus::Found, u"Plain"},
        ReaderCase{"MetaDirectlyInMoov",
                   Cat({Ftyp(), Box("moov", MetaFull(IlstName("Moov meta")))}), ReadStatus::Found,
                   u"Moov meta"},
        ReaderCase{"JapaneseUtf8", Mp4WithTitle("日本語のタイトル"), ReadStatus::Found,
                   u"日本語のタイトル"},
        ReaderCase{
            "DataAtomUtf16",
            Cat({Ftyp(), Box("moov", Box("udta", MetaFull(Box(kName, Data("\0T\0i"sv, 2)))))}),
            ReadStatus::Found, u"Ti"},
        ReaderCase{"NumericDataAtomIsNoText",
                   Cat({Ftyp(), Box("moov", Box("udta", MetaFull(Box(kName, Data("\x01", 21)))))}),
                   ReadStatus::NoTitle, u""},
        ReaderCase{"TrailingNulDropped", Mp4WithTitle(std::string("Nul\0\0", 5)), ReadStatus::Found,
                   u"Nul"},
        ReaderCase{
            "FirstNameItemWins",
            Cat({Ftyp(),
                 Box("moov", Box("udta", MetaFull(Cat({IlstName("One"), IlstName("Two")}))))}),
            ReadStatus::Found, u"One"},
        ReaderCase{"QuickTimeTextItem",
                   Cat({Ftyp(), Box("moov", Cat({Mvhd(), Box("udta", QtName("Quick"))}))}),
                   ReadStatus::Found, u"Quick"},
        ReaderCase{"QuickTimeTextItemMacRoman",
                   Cat({Ftyp(), Box("moov", Box("udta", QtName("Caf\x8E", 0)))}), ReadStatus::Found,
                   u"Café"},
        ReaderCase{"QuickTimeTextItemMacLanguageValidUtf8",
                   Cat({Ftyp(), Box("moov", Box("udta", QtName("Caf\xC3\xA9", 0)))}),
                   ReadStatus::Found, u"Café"},
        ReaderCase{"QuickTimeTextItemUtf16Bom",
                   Cat({Ftyp(), Box("moov", Box("udta", QtName("\xFE\xFF\0O\0K"sv)))}),
                   ReadStatus::Found, u"OK"},
        ReaderCase{"QuickTimeTextItemHoldingDataAtom",
                   Cat({Ftyp(), Box("moov", Box("udta", Box(kName, Data("Atom"))))}),
                   ReadStatus::Found, u"Atom"},
        ReaderCase{"QuickTimeTextStartingWithDataIsText",
                   Cat({Ftyp(), Box("moov", Box("udta", QtName("database title")))}),
                   ReadStatus::Found, u"database title"},
        ReaderCase{"ItunesItemBeatsQuickTimeItem",
                   Cat({Ftyp(), Box("moov", Box("udta", Cat({QtName("Quick"),
                                                             MetaFull(IlstName("Itunes"))})))}),
                   ReadStatus::Found, u"Itunes"},
        ReaderCase{
            "EmptyItunesItemFallsBackToQuickTime",
            Cat({Ftyp(), Box("moov", Box("udta", Cat({MetaFull(IlstName("")), QtName("Quick")})))}),
            ReadStatus::Found, u"Quick"},
        ReaderCase{"EmptyItunesItemAlone", Mp4WithTitle(""), ReadStatus::Found, u""},
        ReaderCase{"UdtaEndsWithZeroTerminator",
                   Cat({Ftyp(), Box("moov", Box("udta", Cat({QtName("Z"), Bytes(4, 0)})))}),
                   ReadStatus::Found, u"Z"},
        ReaderCase{
            "TitleInTrackUdtaIgnored",
            Cat({Ftyp(), Box("moov", Box("trak", Box("udta", MetaFull(IlstName("Track")))))}),
            ReadStatus::NoTitle, u""},
        ReaderCase{"NoUdta", Cat({Ftyp(), Box("moov", Cat({Mvhd(), Trak()}))}), ReadStatus::NoTitle,
                   u""},
        ReaderCase{"NoMoov", Cat({Ftyp(), Box("mdat", Bytes(20, 0))}), ReadStatus::NoTitle, u""},
        ReaderCase{"NotMp4", Bytes("RIFF\x10\0\0\0AVI LIST"sv), ReadStatus::NotThisFormat, u""},
        ReaderCase{"UnknownFirstBox", Box("abcd", Bytes(8, 0)), ReadStatus::NotThisFormat, u""},
        ReaderCase{"TooShort", Bytes("\0\0\0"sv), ReadStatus::NotThisFormat, u""},
        ReaderCase{"Empty", Bytes{}, ReadStatus::NotThisFormat, u""}),
    CaseName);

// Broken sizes and shapes, and a 20-level nest: each ends in "malformed" or "no title".
INSTANTIATE_TEST_SUITE_P(
    Malformed, Mp4LayoutTest,
    testing::Values(
        ReaderCase{"ChildLongerThanParent",
                Cat({Ftyp(), Box("moov", BoxClaiming("udta", 500, Bytes(10, 0)))}),
                ReadStatus::Malformed, u""},
        ReaderCase{"ChildSizeBelowHeader", Cat({Ftyp(), Box("moov", BoxClaiming("udta", 4, {}))}),
                ReadStatus::Malformed, u""},
        ReaderCase{"LargeSizeBelowHeader", Cat({Ftyp(), Box64("moov", kUdtaTitle, 12)}),
                ReadStatus::Malformed, u""},
        ReaderCase{"LargeSizeOverflows",
                Cat({Ftyp(), Box64("mdat", {}, ~std::uint64_t{0}), Box("moov", kUdtaTitle)}),
                ReadStatus::Malformed, u""},
        ReaderCase{"MdatPastEndOfFile",
                Cat({Ftyp(), BoxClaiming("mdat", 0x7FFFFFFF), Box("moov", kUdtaTitle)}),
                ReadStatus::Malformed, u""},
        ReaderCase{"TitleTextPastItem",
                Cat({Ftyp(), Box("moov", Box("udta", Box(kName, Bytes("\x00\x40\x55\xC4" "Ab"sv))))}),
                ReadStatus::Malformed, u""},
        ReaderCase{"TextItemTooShort", Cat({Ftyp(), Box("moov", Box("udta", Box(kName, Bytes("\0"sv))))}),
                ReadStatus::Malformed, u""},
        ReaderCase{"SelfContainingMoov",
                Cat({Ftyp(), BoxClaiming("moov", 16, BoxClaiming("moov", 16))}),
                ReadStatus::Malformed, u""},
        ReaderCase{"TwentyLevelNest",
                [] {
                    Bytes inner = IlstName("Deep");
                    for (int i = 0; i < 20; ++i) inner = Box("udta", inner);
                    return Cat({Ftyp(), Box("moov", inner)});
                }(),
                ReadStatus::NoTitle, u""},
        ReaderCase{"TooManyTopLevelBoxes",
                [] {
                    Bytes file = Ftyp();
                    for (int i = 0; i < 5000; ++i) file = Cat({file, Box("free", {})});
                    return Cat({file, Box("moov", kUdtaTitle)});
                }(),
                ReadStatus::Malformed, u""}),
    CaseName);

// QuickTime metadata keys and the 3GPP asset title, and where they stand after ©nam.
const Bytes kKeyedTitle =
    MetaKeyed(Keys({"com.apple.quicktime.artist", "com.apple.quicktime.title"}),
              Cat({KeyedItem(1, Data("Artist")), KeyedItem(2, Data("Keyed"))}));

INSTANTIATE_TEST_SUITE_P(
    KeysAndAssetTitle, Mp4LayoutTest,
    testing::Values(
        ReaderCase{"AppleKeyInMoovMeta", Cat({Ftyp(), Box("moov", Cat({Mvhd(), kKeyedTitle}))}),
                   ReadStatus::Found, u"Keyed"},
        ReaderCase{
            "FfmpegKeyInUdtaUtf16",
            Cat({Ftyp(),
                 Box("moov", Box("udta", MetaKeyed(Keys({"encoder", "Title"}),
                                                   Cat({KeyedItem(2, Data("\x65\xE5\x67\x2C"sv, 2)),
                                                        KeyedItem(1, Data("Lavf"))}),
                                                   true)))}),
            ReadStatus::Found, u"日本"},
        ReaderCase{"KeyIndexOutsideListIgnored",
                   Cat({Ftyp(), Box("moov", MetaKeyed(Keys({"title"}),
                                                      Cat({KeyedItem(0, Data("Zero")),
                                                           KeyedItem(2, Data("Past"))})))}),
                   ReadStatus::NoTitle, u""},
        ReaderCase{"NameItemUnderKeyedHandlerIgnored",
                   Cat({Ftyp(), Box("moov", MetaKeyed(Keys({"title"}), IlstName("Name")))}),
                   ReadStatus::NoTitle, u""},
        ReaderCase{
            "NameBeatsKeysBeatsAssetTitle",
            Cat({Ftyp(),
                 Box("moov", Cat({Box("udta", Cat({Titl("Asset"), MetaFull(IlstName("Name"))})),
                                  kKeyedTitle}))}),
            ReadStatus::Found, u"Name"},
        ReaderCase{"KeysBeatAssetTitle",
                   Cat({Ftyp(), Box("moov", Cat({Box("udta", Titl("Asset")), kKeyedTitle}))}),
                   ReadStatus::Found, u"Keyed"},
        ReaderCase{"EmptyKeyedTitleFallsBackToAssetTitle",
                   Cat({Ftyp(), Box("moov", Cat({MetaKeyed(Keys({"title"}), KeyedItem(1, Data(""))),
                                                 Box("udta", Titl("Asset"))}))}),
                   ReadStatus::Found, u"Asset"},
        ReaderCase{"AssetTitleUtf8EndsAtNul",
                   Cat({Ftyp(), Box("moov", Box("udta", Titl("日本語\0junk"sv)))}),
                   ReadStatus::Found, u"日本語"},
        ReaderCase{"AssetTitleUtf16BigEndianBom",
                   Cat({Ftyp(), Box("moov", Box("udta", Titl("\xFE\xFF\0T\0i\0\0\0x"sv)))}),
                   ReadStatus::Found, u"Ti"},
        ReaderCase{"AssetTitleUtf16LittleEndianBom",
                   Cat({Ftyp(), Box("moov", Box("udta", Titl("\xFF\xFET\0i\0"sv)))}),
                   ReadStatus::Found, u"Ti"},
        ReaderCase{"AssetTitleLongerThanCapIsCut",
                   Cat({Ftyp(), Box("moov", Box("udta", Titl(Bytes(kMaxTitleBytes + 9, 'x'))))}),
                   ReadStatus::Found, std::u16string(kMaxTitleBytes, u'x')},
        ReaderCase{"AssetTitleTooShort",
                   Cat({Ftyp(), Box("moov", Box("udta", Box("titl", "\0\0\0\0\x55"sv)))}),
                   ReadStatus::Malformed, u""},
        ReaderCase{"KeyLongerThanKeysBox",
                   Cat({Ftyp(), Box("moov", MetaKeyed(Box("keys", Cat({Bytes(4, '\0'), Be<32>(1),
                                                                       Be<32>(40), "mdtatitle"})),
                                                      KeyedItem(1, Data("T"))))}),
                   ReadStatus::Malformed, u""},
        ReaderCase{"KeyCountPastKeysBox",
                   Cat({Ftyp(), Box("moov", MetaKeyed(Box("keys", Cat({Bytes(4, '\0'), Be<32>(3),
                                                                       Be<32>(12), "mdtaname"})),
                                                      KeyedItem(1, Data("T"))))}),
                   ReadStatus::Malformed, u""}),
    CaseName);

TEST(Mp4Reader, TitleLongerThanTheCapIsCut) {
    const std::string longTitle(kMaxTitleBytes + 100, 'x');
    const TitleResult r = RunReader(ReadMp4Title, Mp4WithTitle(longTitle));
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

TEST(Mp4Reader, BytesReadStayFlatAsMdatGrows) {
    ExpectBytesReadFlatAsMediaGrows(
        ReadMp4Title,
        [](std::size_t media) {
            return Cat({Ftyp(), Box("mdat", Bytes(media, '\0')), Box("moov", kUdtaTitle)});
        },
        u"Title", 200);
}

TEST(Mp4Reader, MediumFailureIsIoError) {
    const Bytes file = Mp4WithTitle("Title");
    ExpectIoErrorFrom(ReadMp4Title, file, file.size() - 300);
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
    ExpectSamplesTruncateSafely(ReadMp4Title, "mp4", samples, u"Title");
}

}  // namespace
}  // namespace qm::media::test
