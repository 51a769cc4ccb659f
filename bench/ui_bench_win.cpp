// The Windows side of bench/ui_bench.sh, run under Wine beside the real program:
//
//   ui_bench_win make ROOT FILES FOLDERS   a tree of FILES titled RIFF files spread over FOLDERS
//                                          folders below ROOT (ending in "\"): d<k>\clip<i>.avi,
//                                          titled "Title <i>"
//   ui_bench_win walk ROOT RUNS            the median time of a bare FindFirstFileA/FindNextFileA
//                                          walk of the tree: "walk_ms <ms> files <n>"
//   ui_bench_win floors ROOT               over a tree made by "make" (which this renames), the
//                                          least a lister and a renamer must do, with no window:
//                                          "list_ms <ms> rename_ms <ms> files <n>"
//   ui_bench_win wait-rows COUNT SECONDS   prints "ready", then asks the program's list for its
//                                          row count until it is COUNT; prints the milliseconds
//                                          from "ready" until then ("timeout" when it never is)
//
// The row count is asked with a sent message, which the program's thread only answers between
// two handlers: while a drop or a rename pass runs, the question waits, so the time measured is
// the time until the window answers again with the list complete.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTree.h"

namespace {

using qm::bench::Now;

void Print(const std::string& text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}

int Make(const std::string& root, int files, int folders) {
    ::CreateDirectoryA(root.c_str(), nullptr);
    for (int k = 0; k < folders; ++k)
        ::CreateDirectoryA((root + "d" + std::to_string(k)).c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "d" + std::to_string(i % folders) + "\\";
        qm::bench::WriteNewFile(folder + "clip" + std::to_string(i) + ".avi",
                                qm::bench::RiffWithTitle("Title " + std::to_string(i)));
    }
    return 0;
}

int Walk(const std::string& root, int runs) {
    std::vector<double> times;
    int files = 0;
    for (int r = 0; r < runs; ++r) {
        const double t0 = Now();
        files = qm::bench::BareWalk(root);
        times.push_back(Now() - t0);
    }
    char line[96];
    std::snprintf(line, sizeof line, "walk_ms %.2f files %d\n", qm::bench::Median(times), files);
    Print(line);
    return 0;
}

// The files of the tree below `dir` (ending in "\"), in walk order.
void CollectFiles(const std::string& dir, std::vector<std::string>& files) {
    WIN32_FIND_DATAA data = {};
    HANDLE find = ::FindFirstFileA((dir + "*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(dir + name + "\\", files);
        else
            files.push_back(dir + name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
}

bool Exists(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    return ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) != 0;
}

// The floors a listed and a renamed row are measured against. Listing: the bare walk, then each
// file opened, its head read and closed. Renaming: each file's existence asked, a free name's
// existence asked (a miss) and the file moved to it without replacing.
int Floors(const std::string& root) {
    double t0 = Now();
    std::vector<std::string> files;
    CollectFiles(root, files);
    char head[64];
    for (const std::string& path : files) {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD got = 0;
        if (h == INVALID_HANDLE_VALUE || !::ReadFile(h, head, sizeof head, &got, nullptr)) return 1;
        ::CloseHandle(h);
    }
    const double listMs = Now() - t0;
    t0 = Now();
    for (const std::string& path : files) {
        const std::string target = path.substr(0, path.size() - 4) + " free.avi";
        if (!Exists(path) || Exists(target) || !::MoveFileA(path.c_str(), target.c_str())) return 1;
    }
    const double renameMs = Now() - t0;
    char line[96];
    std::snprintf(line, sizeof line, "list_ms %.1f rename_ms %.1f files %d\n", listMs, renameMs,
                  static_cast<int>(files.size()));
    Print(line);
    return 0;
}

int WaitRows(int count, double seconds) {
    HWND main = ::FindWindowW(L"TForm1", nullptr);
    HWND list = main ? ::FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
    if (!list) {
        std::fprintf(stderr, "ui_bench_win: no main window with a list\n");
        return 1;
    }
    Print("ready\n");
    const double t0 = Now();
    const UINT waitMs = static_cast<UINT>(seconds * 1000);
    for (;;) {
        DWORD_PTR rows = 0;
        if (::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, waitMs, &rows) &&
            static_cast<int>(rows) == count) {
            char line[32];
            std::snprintf(line, sizeof line, "%.1f\n", Now() - t0);
            Print(line);
            return 0;
        }
        if (Now() - t0 > seconds * 1000) {
            Print("timeout\n");
            return 1;
        }
        ::Sleep(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "make")
        return Make(args[1], std::atoi(args[2].c_str()), std::max(1, std::atoi(args[3].c_str())));
    if (args.size() == 3 && args[0] == "walk")
        return Walk(args[1], std::max(1, std::atoi(args[2].c_str())));
    if (args.size() == 2 && args[0] == "floors") return Floors(args[1]);
    if (args.size() == 3 && args[0] == "wait-rows")
        return WaitRows(std::atoi(args[1].c_str()), std::atof(args[2].c_str()));
    std::fprintf(stderr, "usage: ui_bench_win make|walk|floors|wait-rows ...\n");
    return 2;
}
