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

#include "win/FakeShell.h"
#include "win/framework/ComError.h"
#include "win/framework/ListView.h"
#include "win/Scanner.h"
#include "win/ShellFactory.h"
#include "win/BuiltInTitleShell.h"

namespace {

using qm::win::ComPtr;

constexpr int kFolders = 100;

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// A RIFF/AVI header whose LIST INFO carries an INAM (title) chunk.
std::string RiffWithTitle(const std::string& title) {
    auto le32 = [](std::string& s, unsigned v) {
        for (int i = 0; i < 4; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::string inam = title + '\0';
    if (inam.size() % 2) inam += '\0';
    std::string list = "INFO";
    list += "INAM";
    le32(list, static_cast<unsigned>(title.size() + 1));
    list += inam;
    std::string body = "AVI ";
    body += "LIST";
    le32(body, static_cast<unsigned>(list.size()));
    body += list;
    std::string riff = "RIFF";
    le32(riff, static_cast<unsigned>(body.size()));
    return riff + body;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        std::exit(1);
    }
    DWORD written = 0;
    if (!bytes.empty())
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(h);
}

// The bare walk: every entry of the tree visited with FindFirstFileA/FindNextFileA only.
int BareWalk(const std::string& dir) {
    int files = 0;
    WIN32_FIND_DATAA data = {};
    HANDLE find = ::FindFirstFileA((dir + "*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0)
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            files += BareWalk(dir + data.cFileName + "\\");
        else
            ++files;
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return files;
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA data = {};
    HANDLE find = ::FindFirstFileA((dir + "*.*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(dir + name + "\\");
            else
                ::DeleteFileA((dir + name).c_str());
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(dir.c_str());
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

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
        WriteFile(path, titled ? RiffWithTitle(title) : std::string("not a media file"));
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
