#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/Readers.h"
#include "media/TestUtil.h"

namespace qm::media::test {
namespace {

using namespace std::string_view_literals;

const Bytes kHeaderGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const Bytes kContentDescriptionGuid(
    "\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const Bytes kFilePropertiesGuid("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65",
                                16);
const Bytes kDataGuid("\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);

Bytes Object(const Bytes& guid, std::string_view payload, std::uint64_t declared = 0) {
    Bytes size;
    PutLE(size, declared != 0 ? declared : 24 + payload.size(), 8);
    return Cat({guid, size, payload});
}

// Content Description: five lengths, then the strings; only title and author are filled.
Bytes ContentDescription(std::string_view title, std::string_view author = "",
                         std::uint16_t declaredTitle = 0xFFFF) {
    Bytes payload;
    PutLE(payload, declaredTitle != 0xFFFF ? declaredTitle : title.size(), 2);
    PutLE(payload, author.size(), 2);
    PutLE(payload, 0, 6);
    return Object(kContentDescriptionGuid, Cat({payload, title, author}));
}

// A Header Object holding the objects, followed by a Data Object.
Bytes Asf(std::string_view objects, std::uint64_t declaredHeader = 0) {
    Bytes head;
    PutLE(head, declaredHeader != 0 ? declaredHeader : 30 + objects.size(), 8);
    PutLE(head, 3, 4);
    head += Bytes("\x01\x02", 2);
    return Cat({kHeaderGuid, head, objects, Object(kDataGuid, Bytes(64, '\x82'))});
}

const Bytes kFileProperties = Object(kFilePropertiesGuid, Bytes(80, '\0'));

class AsfLayoutTest : public ReaderTest {};

TEST_P(AsfLayoutTest, ReadsTheContentDescriptionTitle) {
    ExpectCase(ReadAsfTitle, GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, AsfLayoutTest,
    testing::Values(
        ReaderCase{"Title",
                   Asf(Cat({kFileProperties,
                            ContentDescription(Utf16LE(u"Clip\0"sv), Utf16LE(u"Me\0"sv))})),
                   ReadStatus::Found, u"Clip"},
        ReaderCase{"Japanese", Asf(ContentDescription(Utf16LE(u"日本語のタイトル\0"sv))),
                   ReadStatus::Found, u"日本語のタイトル"},
        ReaderCase{"WithoutTrailingNul", Asf(ContentDescription(Utf16LE(u"Bare"))),
                   ReadStatus::Found, u"Bare"},
        ReaderCase{"OddLengthDropsLastByte",
                   Asf(ContentDescription(Bytes("T\0i\0x", 5), Utf16LE(u"A"))), ReadStatus::Found,
                   u"Ti"},
        ReaderCase{"EmptyTitle", Asf(ContentDescription("", Utf16LE(u"Author\0"sv))),
                   ReadStatus::Found, u""},
        ReaderCase{"NoContentDescription", Asf(kFileProperties), ReadStatus::NoTitle, u""},
        ReaderCase{"EmptyHeader", Asf(""), ReadStatus::NoTitle, u""},
        ReaderCase{"NotAsf", Bytes(40, '\x30'), ReadStatus::NotThisFormat, u""},
        ReaderCase{"Empty", Bytes(), ReadStatus::NotThisFormat, u""}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Malformed, AsfLayoutTest,
    testing::Values(
        ReaderCase{"TitleLongerThanObject", Asf(ContentDescription(Utf16LE(u"abc"), "", 200)),
                   ReadStatus::Malformed, u""},
        ReaderCase{"ObjectSmallerThanItsHeader", Asf(Object(kFilePropertiesGuid, "", 10)),
                   ReadStatus::Malformed, u""},
        ReaderCase{"ObjectPastHeader",
                   Asf(Cat({Object(kFilePropertiesGuid, "", 500), ContentDescription("T\0", "")})),
                   ReadStatus::Malformed, u""},
        ReaderCase{"ObjectSizeOverflows",
                   Asf(Cat({Object(kFilePropertiesGuid, "", ~std::uint64_t{0}),
                            ContentDescription("T\0", "")})),
                   ReadStatus::Malformed, u""},
        ReaderCase{"DescriptionTooShortForLengths",
                   Asf(Object(kContentDescriptionGuid, Bytes(6, '\0'))), ReadStatus::Malformed,
                   u""},
        ReaderCase{"HeaderLargerThanFile", Asf(ContentDescription(Utf16LE(u"T")), 1 << 20),
                   ReadStatus::Malformed, u""},
        ReaderCase{"HeaderSmallerThanItself", Asf(ContentDescription(Utf16LE(u"T")), 12),
                   ReadStatus::Malformed, u""},
        ReaderCase{"OnlyTheGuid", kHeaderGuid, ReadStatus::Malformed, u""},
        ReaderCase{"TooManyObjects",
                   [] {
                       Bytes objects;
                       for (int i = 0; i < 2000; ++i)
                           objects += Object(kFilePropertiesGuid, "");
                       return Asf(Cat({objects, ContentDescription(Utf16LE(u"T"))}));
                   }(),
                   ReadStatus::Malformed, u""}),
    CaseName);

TEST(AsfReader, MediumFailureIsIoError) {
    const Bytes file = Asf(Cat({kFileProperties, ContentDescription(Utf16LE(u"Clip"))}));
    ExpectIoErrorFrom(ReadAsfTitle, file, 150);
}

TEST(AsfReader, EveryPrefixReadsSafely) {
    const std::vector<std::pair<std::string, Bytes>> samples = {
        {"title",
         Asf(Cat({kFileProperties, ContentDescription(Utf16LE(u"Title\0"sv), Utf16LE(u"A"))}))},
        {"odd", Asf(ContentDescription(Bytes("T\0i\0t\0l\0e\0!", 11)))},
    };
    ExpectSamplesTruncateSafely(ReadAsfTitle, "asf", samples, u"Title");
}

}  // namespace
}  // namespace qm::media::test
