// Scan benchmark (Windows side, run under Wine by bench/scan_bench.sh): the time ScanPath takes
// per file over a tree of many files, against a bare walk of the same tree with
// FindFirstFileA/FindNextFileA only, measured in the same run.
//
//   scan_bench_win.exe [files=10000] [fake|builtin] [runs=5]
//
// The tree is made in the temp folder: 100 folders below one root, the files spread over them,
// every other one with a title (the fake answers it from its table; the built-in shell reads
// it from a small RIFF INFO header). Walk and scan alternate; each is timed `runs` times and
// the median is printed.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchTree.h"
#include "win/FakeShell.h"
#include "win/framework/AnsiText.h"
#include "win/framework/ListView.h"
#include "win/Scanner.h"
#include "win/ShellFactory.h"
#include "win/BuiltInTitleShell.h"

namespace {

using qm::bench::BareWalk;
using qm::bench::Median;
using qm::bench::Now;
using qm::bench::RemoveTree;
using qm::win::ComPtr;

constexpr int kFolders = 100;

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string kind = argc > 2 ? argv[2] : "fake";
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    if (files <= 0 || (kind != "fake" && kind != "builtin")) {
        std::fprintf(stderr, "usage: scan_bench_win [files] [fake|builtin] [runs]\n");
        return 2;
    }
    if (FAILED(::CoInitialize(nullptr))) return 1;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);

    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string root =
        std::string(temp) + "qm-scan-bench-" + std::to_string(::GetCurrentProcessId()) + "\\";
    ::CreateDirectoryA(root.c_str(), nullptr);

    qm::win::test::FakeShell fake;
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "d" + std::to_string(i % kFolders) + "\\";
        if (i < kFolders) ::CreateDirectoryA(folder.c_str(), nullptr);
        const std::string path = folder + "clip" + std::to_string(i) + ".avi";
        const bool titled = i % 2 == 0;
        const std::string title = "Title " + std::to_string(i);
        qm::bench::WriteNewFile(
            path, titled ? qm::bench::RiffWithTitle(title) : std::string("not a media file"));
        if (titled) fake.titles[qm::win::AnsiToWide(path)] = qm::win::AnsiToWide(title);
    }
    if (kind == "fake")
        qm::win::SetShellObjectFactory(fake.Factory());
    else
        qm::win::SetShellObjectFactory(qm::win::CreateBuiltInTitleShell);

    HWND hwnd = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 600, 400,
                                  nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA col = {};
        col.mask = LVCF_WIDTH;
        col.cx = i == 2 ? 50 : 100;
        ::SendMessageA(hwnd, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
    qm::win::ListView list(hwnd);
    const qm::win::ScanTarget target{list, [] { return 2; }};

    std::vector<double> walkMs, scanMs;
    int walked = 0, rows = 0;
    try {
        for (int r = 0; r < runs; ++r) {
            double t0 = Now();
            walked = BareWalk(root);
            walkMs.push_back(Now() - t0);

            list.Clear();
            t0 = Now();
            qm::win::ScanPath(target, root, 0);
            scanMs.push_back(Now() - t0);
            rows = list.Count();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scan failed: %s\n", e.what());
        RemoveTree(root);
        return 1;
    }
    ::DestroyWindow(hwnd);
    qm::win::ResetShellObjectFactory();
    RemoveTree(root);

    const double walk = Median(walkMs), scan = Median(scanMs);
    std::printf("shell          %s\n", kind.c_str());
    std::printf("files          %d (walk found %d), rows listed %d\n", files, walked, rows);
    std::printf("bare walk      %.1f ms  (%.4f ms per file)\n", walk, walk / files);
    std::printf("scan           %.1f ms  (%.4f ms per file)\n", scan, scan / files);
    std::printf("scan / walk    %.1f x   (medians of %d runs)\n", scan / walk, runs);
    ::CoUninitialize();
    return 0;
}
