// The memory and process readout: caption texts from known figures, live samples and the
// process-status binding without its library.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "WinTestSupport.h"
#include "win/framework/App.h"
#include "win/Readout.h"

namespace qm::win {
namespace {

using test::kReadoutShapes;
using test::Shape;

using ::testing::MatchesRegex;
using ::testing::Not;

constexpr std::uint64_t kSecond = 10000000;  // FILETIME units

// The five process-memory lines as they read when the counters could not be fetched.
const char* const kZeroProcessLines[] = {
    "Memory Usage:0 KB; Peak:0 KB",        "Page Fault:0",
    "Pagefile Usage:0 KB; Peak:0 KB",      "Paged Pool Usage:0 KB; Peak:0 KB",
    "NonPaged Pool Usage:0 KB; Peak:0 KB",
};

void ExpectLinesMatchPatterns(const ReadoutTexts& texts) {
    for (std::size_t i = 0; i < kReadoutLineCount; ++i)
        EXPECT_EQ(Shape(texts[i], App().NumberSeparators()), kReadoutShapes[i]) << texts[i];
    // Minutes and seconds have two digits.
    EXPECT_THAT(
        texts[kProcessTimeLine],
        MatchesRegex(
            "Kernel:\\d+:\\d\\d:\\d\\d; User:\\d+:\\d\\d:\\d\\d; Process:\\d+:\\d\\d:\\d\\d"));
}

// Each figure distinct, so a swapped pair shows.
ReadoutFigures DistinctFigures() {
    ReadoutFigures f;
    f.availPhys = 1024;
    f.totalPhys = 4294967295u;  // the largest 32-bit figure
    f.availPageFile = 1536;     // rounds up
    f.totalPageFile = 1535;     // rounds down
    f.availVirtual = 511;
    f.totalVirtual = 512;
    f.pageFaultCount = 1234567;
    f.workingSetSize = 1234567;
    f.peakWorkingSetSize = 2048 * 1024;
    f.pagefileUsage = 3 * 1024;
    f.peakPagefileUsage = 4 * 1024;
    f.pagedPoolUsage = 5 * 1024;
    f.peakPagedPoolUsage = 6 * 1024;
    f.nonPagedPoolUsage = 7 * 1024;
    f.peakNonPagedPoolUsage = 8 * 1024;
    f.kernelTime = 19 * kSecond / 10;  // 1.9 s
    f.userTime = 26ull * 3600 * kSecond;
    f.creationTime = 130000000000000000ull;
    f.currentTime = f.creationTime + 3661 * kSecond + kSecond / 2;
    return f;
}

TEST(ReadoutComposeTest, EveryLineFromItsFiguresInOrder) {
    const ReadoutTexts texts = ComposeReadout(DistinctFigures(), Separators());
    const ReadoutTexts expected = {
        "Free Physical Memory:1 KB; Total:4,194,304 KB",
        "Free Paging File:2 KB; Total:1 KB",
        "Free Virtual Memory:0 KB; Total:1 KB",
        "Memory Usage:1,206 KB; Peak:2,048 KB",
        "Page Fault:1,234,567",
        "Pagefile Usage:3 KB; Peak:4 KB",
        "Paged Pool Usage:5 KB; Peak:6 KB",
        "NonPaged Pool Usage:7 KB; Peak:8 KB",
        "Kernel:0:00:01; User:26:00:00; Process:1:01:01",
    };
    for (std::size_t i = 0; i < kReadoutLineCount; ++i)
        EXPECT_EQ(texts[i], expected[i]);
}

TEST(ReadoutComposeTest, WritesTheGivenSeparators) {
    Separators separators;
    separators.thousand = ".";
    separators.decimal = ",";
    const ReadoutTexts texts = ComposeReadout(DistinctFigures(), separators);
    EXPECT_EQ(texts[kWorkingSetLine], "Memory Usage:1.206 KB; Peak:2.048 KB");
    EXPECT_EQ(texts[kPageFaultLine], "Page Fault:1.234.567");
}

TEST(ReadoutComposeTest, ProcessAgeIsAbsoluteWholeSecondsBetweenUtcInstants) {
    struct Case {
        std::uint64_t creation;
        std::uint64_t current;
        const char* age;
    };
    const std::uint64_t t = 130000000000000000ull;
    const Case cases[] = {
        {t, t, "0:00:00"},
        {t, t + kSecond - 1, "0:00:00"},  // never rounded up
        {t, t + 59 * kSecond, "0:00:59"},
        {t + 3661 * kSecond, t, "1:01:01"},  // a clock set back still gives a positive age
        {t, t + 90000 * kSecond, "25:00:00"},
    };
    for (const Case& c : cases) {
        ReadoutFigures f;
        f.creationTime = c.creation;
        f.currentTime = c.current;
        EXPECT_EQ(ComposeReadout(f, Separators())[kProcessTimeLine],
                  std::string("Kernel:0:00:00; User:0:00:00; Process:") + c.age);
    }
}

TEST(ReadoutComposeTest, CpuTimesAreTruncatedToWholeSeconds) {
    ReadoutFigures f;
    f.kernelTime = 2 * kSecond;
    f.userTime = 2 * kSecond - 1;
    EXPECT_EQ(ComposeReadout(f, Separators())[kProcessTimeLine],
              "Kernel:0:00:02; User:0:00:01; Process:0:00:00");
}

TEST(ReadoutSampleTest, LiveLinesMatchTheirPatterns) {
    const ReadoutTexts texts = ReadReadout();
    ExpectLinesMatchPatterns(texts);
    // A running process has a working set and the machine has memory.
    EXPECT_THAT(texts[kWorkingSetLine], Not(MatchesRegex("Memory Usage:0 KB.*")));
    EXPECT_THAT(texts[kPhysLine], Not(MatchesRegex(".*Total:0 KB")));
}

TEST(ReadoutSampleTest, AgeFollowsTheClock) {
    const ReadoutFigures first = SampleReadoutFigures();
    ::Sleep(1100);
    const ReadoutFigures second = SampleReadoutFigures();
    EXPECT_GT(second.currentTime, first.currentTime);
    EXPECT_EQ(second.creationTime, first.creationTime);
    EXPECT_LE(first.creationTime, first.currentTime);
    EXPECT_NE(ComposeReadout(first, Separators())[kProcessTimeLine],
              ComposeReadout(second, Separators())[kProcessTimeLine]);
}

// Counts the attempts to load the library and fails every one.
int failedLoads = 0;
HMODULE FailingLoader() {
    ++failedLoads;
    return nullptr;
}

// A loader that hands back a module without the entry point: the test program itself.
int wrongLoads = 0;
HMODULE LoaderOfWrongLibrary() {
    ++wrongLoads;
    return ::GetModuleHandleA(nullptr);
}

class ProcessStatusSeam : public ::testing::Test {
  protected:
    void TearDown() override { SetProcessStatusLoader(nullptr); }
};

TEST_F(ProcessStatusSeam, WithoutTheLibraryProcessLinesReadZeroAndLoadingIsRetried) {
    SetProcessStatusLoader(&FailingLoader);
    failedLoads = 0;

    for (int refresh = 1; refresh <= 2; ++refresh) {
        const ReadoutTexts texts = ReadReadout();
        EXPECT_EQ(failedLoads, refresh) << "every refresh tries to load again";
        ExpectLinesMatchPatterns(texts);
        for (std::size_t i = 0; i < 5; ++i)
            EXPECT_EQ(texts[kWorkingSetLine + i], kZeroProcessLines[i]);
        EXPECT_THAT(texts[kPhysLine], Not(MatchesRegex(".*Total:0 KB")));
    }

    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    counters.PageFaultCount = 77;
    EXPECT_FALSE(ProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters));
    EXPECT_EQ(counters.PageFaultCount, 77u) << "the caller's record is left as it was";

    SetProcessStatusLoader(nullptr);  // the library comes back
    EXPECT_THAT(ReadReadout()[kWorkingSetLine], Not(MatchesRegex("Memory Usage:0 KB.*")));
}

TEST_F(ProcessStatusSeam, LibraryWithoutTheEntryPointStaysBoundAndReadsZero) {
    SetProcessStatusLoader(&LoaderOfWrongLibrary);
    wrongLoads = 0;
    for (int refresh = 0; refresh < 2; ++refresh) {
        const ReadoutTexts texts = ReadReadout();
        for (std::size_t i = 0; i < 5; ++i)
            EXPECT_EQ(texts[kWorkingSetLine + i], kZeroProcessLines[i]);
    }
    EXPECT_EQ(wrongLoads, 1);
}

TEST_F(ProcessStatusSeam, RealLibraryComesFromTheSystemFolder) {
    SetProcessStatusLoader(nullptr);
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    ASSERT_TRUE(ProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters));
    EXPECT_GT(counters.WorkingSetSize, 0u);

    const HMODULE module = ::GetModuleHandleA("psapi.dll");
    ASSERT_NE(module, nullptr);
    char path[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameA(module, path, MAX_PATH), 0u);
    char system[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::string expected = std::string(system) + "\\psapi.dll";
    EXPECT_EQ(::lstrcmpiA(path, expected.c_str()), 0) << path;
}

}  // namespace
}  // namespace qm::win
