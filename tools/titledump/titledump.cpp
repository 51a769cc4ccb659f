// titledump: prints the title the media reader finds for files and whole folder trees.
//
//   titledump [--stats] PATH...
//
// Writes one line per file, "path<TAB>title", the title as UTF-8 and empty when the file has
// none. In a title, tab, line feed, carriage return and backslash are written as \t, \n, \r and
// \\, so that every file stays on one line. Folders are walked recursively in directory order;
// a symbolic link to a folder is not followed (a link back up the tree would never end), a link
// to a file is read like the file. With --stats, a summary of how much the reader read goes to
// standard error. Exit status: 0 when every path could be read, 1 when some could not (each is
// reported on standard error), 2 on a usage error.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "media/FileSource.h"
#include "media/Text.h"
#include "media/TitleReader.h"
#include "titledump/FileWalk.h"

namespace fs = std::filesystem;
namespace media = qm::media;
namespace tools = qm::tools;

namespace {

struct Totals {
    std::uint64_t files = 0;
    std::uint64_t bytesRead = 0;
    std::uint64_t reads = 0;
    std::uint64_t failed = 0;  // paths that could not be opened or walked
};

class Dumper {
  public:
    explicit Dumper(std::FILE* out) : out_(out), ansi_(media::DecodeCp1252) {}

    const Totals& totals() const { return totals_; }

    // A path named on the command line: a folder is walked, anything else is read as a file.
    void Visit(const fs::path& path) {
        tools::ForEachFile(
            path, [this](const std::string& file) { DumpFile(file); },
            [this](const std::string& where, const std::string& why) { Fail(where, why); });
    }

  private:
    void DumpFile(const std::string& path) {
        const std::unique_ptr<media::FileSource> src = media::FileSource::Open(path);
        if (!src) return Fail(path, "cannot open");
        const media::TitleResult result = media::ReadTitleDetailed(*src, ansi_);
        ++totals_.files;
        totals_.bytesRead += src->BytesRead();
        totals_.reads += src->Reads();

        line_.assign(path);
        line_.push_back('\t');
        AppendEscaped(media::EncodeUtf8(result.title));
        line_.push_back('\n');
        std::fwrite(line_.data(), 1, line_.size(), out_);
    }

    void AppendEscaped(const std::string& text) {
        for (const char c : text) {
            switch (c) {
                case '\t':
                    line_ += "\\t";
                    break;
                case '\n':
                    line_ += "\\n";
                    break;
                case '\r':
                    line_ += "\\r";
                    break;
                case '\\':
                    line_ += "\\\\";
                    break;
                default:
                    line_.push_back(c);
            }
        }
    }

    void Fail(const std::string& path, const std::string& why) {
        ++totals_.failed;
        std::fprintf(stderr, "titledump: %s: %s\n", path.c_str(), why.c_str());
    }

    std::FILE* out_;
    const media::AnsiDecoder ansi_;  // built once, not once per file
    std::string line_;               // reused for every line
    Totals totals_;
};

void PrintStats(const Totals& t) {
    const double n = t.files ? static_cast<double>(t.files) : 1.0;
    std::fprintf(stderr, "files: %llu\n", static_cast<unsigned long long>(t.files));
    std::fprintf(stderr, "bytes read: %llu total, %.1f per file\n",
                 static_cast<unsigned long long>(t.bytesRead),
                 static_cast<double>(t.bytesRead) / n);
    std::fprintf(stderr, "reads: %llu total, %.2f per file\n",
                 static_cast<unsigned long long>(t.reads), static_cast<double>(t.reads) / n);
    if (t.failed) std::fprintf(stderr, "failed: %llu\n", static_cast<unsigned long long>(t.failed));
}

int Usage() {
    std::fputs("usage: titledump [--stats] PATH...\n", stderr);
    return 2;
}

int Run(int argc, char** argv) {
    bool stats = false;
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        if (std::strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        }
        if (std::strcmp(argv[first], "--stats") != 0) return Usage();
        stats = true;
    }
    if (first == argc) return Usage();

    // One large buffer: the output is many short lines.
    static char outBuf[1 << 16];
    std::setvbuf(stdout, outBuf, _IOFBF, sizeof outBuf);

    Dumper dumper(stdout);
    for (int i = first; i < argc; ++i)
        dumper.Visit(fs::path(argv[i]));
    std::fflush(stdout);
    if (stats) PrintStats(dumper.totals());
    if (std::ferror(stdout)) {
        std::fputs("titledump: error writing the output\n", stderr);
        return 1;
    }
    return dumper.totals().failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "titledump: %s\n", e.what());
    } catch (...) {
        std::fputs("titledump: unexpected error\n", stderr);
    }
    return 1;
}
