#include "media/TitleReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "media/FileSource.h"
#include "media/TestUtil.h"
#include "media/WindowCases.h"
#include "media/builders_iso.h"

namespace qm::media::test {
namespace {

namespace fs = std::filesystem;

TEST(DecodeCp1252, MapsTheWindowsRangeAndKeepsTheRest) {
    EXPECT_EQ(DecodeCp1252("A z~"), u"A z~");
    EXPECT_EQ(DecodeCp1252("\x80\x85\x8A\x9F"), u"\u20AC\u2026\u0160\u0178");
    // The five bytes the code page leaves undefined become the C1 control of the same value.
    EXPECT_EQ(DecodeCp1252("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(DecodeCp1252("\xA0\xE9\xFF"), u"\u00A0\u00E9\u00FF");
    EXPECT_EQ(DecodeCp1252(std::string_view("\0", 1)), std::u16string(1, u'\0'));
}

TitleResult Dispatch(const Bytes& file, const AnsiDecoder& ansi = DecodeCp1252) {
    MemorySource src(file.data(), file.size());
    return ReadTitleDetailed(src, ansi);
}

TEST(ReadTitle, RecognisesTheContainerByContent) {
    const TitleResult mp4 = Dispatch(iso::Mp4WithTitle("Movie"));
    EXPECT_STREQ(mp4.format, "mp4");
    EXPECT_EQ(mp4.title, u"Movie");

    const TitleResult unknown = Dispatch("plain text, no container at all");
    EXPECT_EQ(unknown.status, ReadStatus::NotThisFormat);
    EXPECT_TRUE(unknown.title.empty());

    EXPECT_EQ(Dispatch("").status, ReadStatus::NotThisFormat);
}

TEST(ReadTitle, FailureCarriesNoTitle) {
    const Bytes broken = Cat({iso::Ftyp(), iso::BoxClaiming("moov", 0x7FFFFFFF)});
    const TitleResult r = Dispatch(broken);
    EXPECT_EQ(r.status, ReadStatus::Malformed);
    EXPECT_TRUE(r.title.empty());
}

// A caller's ANSI decoder that throws must not take the caller down with it.
TEST(ReadTitle, ExceptionFromTheAnsiDecoderBecomesNoTitle) {
    Bytes info = "INAM";
    PutLE(info, 2, 4);
    info += "\xE9!";
    Bytes list = "LIST";
    PutLE(list, 4 + info.size(), 4);
    Bytes riff = "RIFF";
    PutLE(riff, 4 + list.size() + 4 + info.size(), 4);
    const Bytes file = Cat({riff, "WAVE", list, "INFO", info});
    ASSERT_EQ(Dispatch(file).title, u"\u00E9!");

    const AnsiDecoder throwing = [](std::string_view) -> std::u16string {
        throw std::runtime_error("decoder failed");
    };
    TitleResult r;
    EXPECT_NO_THROW(r = Dispatch(file, throwing));
    EXPECT_NE(r.status, ReadStatus::Found);
    EXPECT_TRUE(r.title.empty());
}

class TempDir {
  public:
    TempDir() {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                (std::string("qm_media_") + std::to_string(TestProcessToken()) + "_" +
                 info->test_suite_name() + "_" + info->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    fs::path operator/(const char* name) const { return path_ / name; }

  private:
    fs::path path_;
};

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The extension says AVI; the content is MP4, and the content decides.
TEST(FileSource, ReadsByContentWhateverTheExtension) {
    TempDir dir;
    const fs::path path = dir / "clip.avi";
    const Bytes file = iso::Mp4WithTitle("Inside");
    WriteFile(path, file);

    const auto src = FileSource::Open(path.string());
    ASSERT_TRUE(src);
    EXPECT_EQ(src->Size(), file.size());
    EXPECT_EQ(ReadTitle(*src), u"Inside");
    EXPECT_GT(src->Reads(), 0u);
    EXPECT_LT(src->BytesRead(), file.size());

    char last[4];
    EXPECT_TRUE(src->ReadAt(file.size() - 4, last, 4));
    EXPECT_EQ(Bytes(last, 4), file.substr(file.size() - 4));
    EXPECT_FALSE(src->ReadAt(file.size() - 3, last, 4));
    EXPECT_FALSE(src->ReadAt(~std::uint64_t{0}, last, 1));
}

TEST(FileSource, MissingFileOpensNothing) {
    TempDir dir;
    EXPECT_FALSE(FileSource::Open((dir / "missing.mp4").string()));
}

// Offsets past 4 GiB must reach the right bytes, also in the 32-bit build.
TEST(FileSource, ReadsPastFourGiB) {
    TempDir dir;
    const fs::path path = dir / "big.mp4";
    const std::uint64_t mdatSize = (std::uint64_t{5} << 30) + 7;
    const Bytes head = Cat({iso::Ftyp(), iso::Box64("mdat", {}, mdatSize)});
    const Bytes moov = iso::Box("moov", iso::Box("udta", iso::MetaFull(iso::IlstName("Far"))));
    {
        std::ofstream out(path, std::ios::binary);
        out.write(head.data(), static_cast<std::streamsize>(head.size()));
        // Seeking past the end and writing leaves a sparse hole on the file systems tests use.
        out.seekp(static_cast<std::streamoff>(head.size() - 16 + mdatSize));
        out.write(moov.data(), static_cast<std::streamsize>(moov.size()));
        if (!out) GTEST_SKIP() << "cannot write a file beyond 4 GiB here";
    }
    const auto src = FileSource::Open(path.string());
    ASSERT_TRUE(src);
    EXPECT_EQ(src->Size(), head.size() - 16 + mdatSize + moov.size());
    EXPECT_EQ(ReadTitle(*src), u"Far");
    EXPECT_LT(src->BytesRead(), 200u);
}

}  // namespace
}  // namespace qm::media::test
