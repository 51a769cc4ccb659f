// Files written by ffmpeg through make_corpus.sh: for each, the reader's title must equal the
// title ffprobe reports. QM_MEDIA_CORPUS_DIR names a folder made earlier (the Windows build
// has no ffmpeg of its own and always needs it); otherwise the script runs into a temp folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "media/FileSource.h"
#include "media/Text.h"
#include "media/TitleReader.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qm::media {
namespace {

namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(MediaCorpus, TitlesMatchFfprobe) {
    fs::path dir;
    bool generated = false;
    if (const char* given = std::getenv("QM_MEDIA_CORPUS_DIR"); given != nullptr && *given) {
        dir = given;
    } else {
#ifdef _WIN32
        GTEST_SKIP() << "set QM_MEDIA_CORPUS_DIR to a folder made by make_corpus.sh";
#else
        // A folder of this process's own: two test runs on one machine never share it.
        dir = fs::temp_directory_path() / ("qm_media_corpus_test." + std::to_string(::getpid()));
        fs::remove_all(dir);
        const std::string script = (fs::path(__FILE__).parent_path() / "make_corpus.sh").string();
        const std::string log = (dir.string() + ".log");
        const int rc =
            std::system(("'" + script + "' '" + dir.string() + "' >'" + log + "' 2>&1").c_str());
        ASSERT_TRUE(WIFEXITED(rc)) << "make_corpus.sh did not finish";
        if (WEXITSTATUS(rc) == 77) GTEST_SKIP() << "ffmpeg or ffprobe is missing";
        ASSERT_EQ(WEXITSTATUS(rc), 0) << ReadWhole(log);
        generated = true;
#endif
    }

    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || EndsWith(name, ".title")) continue;
        SCOPED_TRACE(name);
        ++files;
        const std::string expected = ReadWhole(entry.path().string() + ".title");
        // Guards the comparison against a muxer that silently dropped the title.
        if (name.rfind("none.", 0) != 0) {
            EXPECT_FALSE(expected.empty());
        }

        const auto src = FileSource::Open(entry.path().string());
        ASSERT_TRUE(src);
        const TitleResult r = ReadTitleDetailed(*src);
        EXPECT_EQ(EncodeUtf8(r.title), expected) << "format " << r.format;
        EXPECT_NE(r.status, ReadStatus::NotThisFormat);
    }
    EXPECT_GT(files, 0);
    if (generated) {
        fs::remove_all(dir);
        fs::remove(dir.string() + ".log");
    }
}

}  // namespace
}  // namespace qm::media
