// What the Windows-side benchmarks share: a clock, tiny RIFF files that carry a title, a bare
// FindFirstFileA/FindNextFileA walk (the floor a scan is measured against) and the removal of a
// generated tree.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace qm::bench {

// Milliseconds on the performance counter.
inline double Now() {
    static const LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A RIFF/AVI header whose LIST INFO carries an INAM (title) chunk.
inline std::string RiffWithTitle(const std::string& title) {
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

// Creates (or replaces: the tree is the benchmark's own) a file with the given bytes; exits
// when it cannot.
inline void WriteNewFile(const std::string& path, const std::string& bytes) {
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

// The bare walk: every entry of the tree below `dir` (ending in "\") visited with
// FindFirstFileA/FindNextFileA only; the number of files.
inline int BareWalk(const std::string& dir) {
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

// Removes the generated tree below `dir` (ending in "\") and the folder itself.
inline void RemoveTree(const std::string& dir) {
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

}  // namespace qm::bench
