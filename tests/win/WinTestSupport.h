// Helpers for the in-process tests of the Windows program: temp folders, the folder of the test
// binary, a candidate list in a window of its own, a shortcut read back, the shape of the about
// window's readout lines, and the smallest Matroska file with a title. The framework's helpers
// (the application object, the error recorder, message pumping) are in
// win/framework/FrameworkTestSupport.h.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "core/Format.h"
#include "win/CandidateList.h"
#include "win/FileSystem.h"
#include "win/framework/AnsiText.h"
#include "win/framework/ComError.h"
#include "win/framework/Raii.h"

namespace qm::win {

inline void PrintTo(const Candidate& c, std::ostream* os) {
    *os << "{" << c.title << " | " << c.baseName << " | " << c.extension << " | " << c.folder
        << (c.checked ? " | checked}" : " | unchecked}");
}

}  // namespace qm::win

namespace qm::win::test {

// The folder of the running test binary, with its trailing "\".
inline std::string BinaryFolder() {
    char buf[MAX_PATH * 2] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string path(buf, n);
    return path.substr(0, path.find_last_of('\\') + 1);
}

// A fresh folder under the system temp folder, removed with everything in it at the end
// (read-only entries too, down to kMaxDepth levels below it).
class TempFolder {
  public:
    static constexpr int kMaxDepth = 8;

    TempFolder() {
        char base[MAX_PATH + 1] = {};
        ::GetTempPathA(MAX_PATH, base);
        // Both code-page runs of the tests share the temp folder: a name already taken is passed.
        const std::string stem =
            std::string(base) + "qmtest" + std::to_string(::GetCurrentProcessId()) + "-";
        for (int n = 0; n < 1000; ++n) {
            const std::string candidate = stem + std::to_string(serial_++);
            if (::CreateDirectoryA(candidate.c_str(), nullptr)) {
                path_ = candidate + "\\";
                return;
            }
        }
        ADD_FAILURE() << "no temp folder";
    }
    ~TempFolder() {
        if (!path_.empty()) Remove(Folder(), 0);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending in "\".
    const std::string& Path() const { return path_; }
    // The folder without its final "\".
    std::string Folder() const { return path_.substr(0, path_.size() - 1); }
    // An entry of the folder.
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    static void Remove(const std::string& folder, int depth) {
        ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (depth <= kMaxDepth) {
            FolderListing listing(folder + "\\*");
            for (bool more = listing.Started(); more; more = listing.Next()) {
                const std::string name = listing.Name();
                if (name == "." || name == "..") continue;
                const std::string full = folder + "\\" + name;
                if (listing.Attributes() & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(full, depth + 1);
                } else {
                    ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileA(full.c_str());
                }
            }
        }
        ::RemoveDirectoryA(folder.c_str());
    }

    static inline int serial_ = 0;
    std::string path_;
};

// Writes a new file; false when it exists or cannot be written whole.
inline bool WriteText(const std::string& path, const std::string& content) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok =
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == content.size();
}

// Sets a file's last-write time to 2 January of the given year, local midnight or so.
inline bool SetWriteYear(const std::string& path, WORD year) {
    SYSTEMTIME st = {};
    st.wYear = year;
    st.wMonth = 1;
    st.wDay = 2;
    FILETIME ft = {};
    if (!::SystemTimeToFileTime(&st, &ft)) return false;
    HANDLE file =
        ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL ok = ::SetFileTime(file, nullptr, nullptr, &ft);
    ::CloseHandle(file);
    return ok != 0;
}

// A report list view with check boxes and the candidate columns at the main window's widths
// (100, 100, 50, 100), with a font of its own, in a hidden popup destroyed at the end.
class CandidateListWindow {
  public:
    CandidateListWindow() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        hwnd_ = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT | LVS_EDITLABELS, 0, 0,
                                  600, 300, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(ANSI_VAR_FONT)),
                       FALSE);
        ::SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
        const int widths[] = {100, 100, 50, 100};
        for (int i = 0; i < kCandidateColumnCount; ++i) {
            LVCOLUMNA column = {};
            column.mask = LVCF_WIDTH;
            column.cx = widths[i];
            ::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(&column));
        }
    }
    ~CandidateListWindow() {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }
    CandidateListWindow(const CandidateListWindow&) = delete;
    CandidateListWindow& operator=(const CandidateListWindow&) = delete;

    bool Created() const { return hwnd_ != nullptr; }
    ListView View() const { return ListView(hwnd_); }
    CandidateList List() const { return CandidateList(View()); }

    // Every row read back, in order.
    std::vector<Candidate> Candidates() const {
        std::vector<Candidate> rows;
        for (int i = 0; i < List().Count(); ++i)
            rows.push_back(List().Read(i));
        return rows;
    }

  private:
    HWND hwnd_ = nullptr;
};

// What a shortcut file holds, read back through the shell-link object.
struct LinkContents {
    std::string path, arguments, workingDirectory;
};

inline LinkContents ReadLink(const std::string& linkPath) {
    ComPtr<IShellLinkA> link;
    OleCheck(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid()));
    ComPtr<IPersistFile> file;
    OleCheck(link.As(file));
    OleCheck(file->Load(AnsiToWide(linkPath).c_str(), STGM_READ));
    char buffer[1024] = {};
    LinkContents contents;
    link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH);
    contents.path = buffer;
    buffer[0] = '\0';
    link->GetArguments(buffer, sizeof buffer);
    contents.arguments = buffer;
    buffer[0] = '\0';
    link->GetWorkingDirectory(buffer, sizeof buffer);
    contents.workingDirectory = buffer;
    return contents;
}

// The nine readout lines in their order, each figure written as "#".
inline const char* const kReadoutShapes[] = {
    "Free Physical Memory:# KB; Total:# KB",
    "Free Paging File:# KB; Total:# KB",
    "Free Virtual Memory:# KB; Total:# KB",
    "Memory Usage:# KB; Peak:# KB",
    "Page Fault:#",
    "Pagefile Usage:# KB; Peak:# KB",
    "Paged Pool Usage:# KB; Peak:# KB",
    "NonPaged Pool Usage:# KB; Peak:# KB",
    "Kernel:#:#:#; User:#:#:#; Process:#:#:#",
};

// The text with every figure replaced by "#": a figure is a run of digits, possibly grouped or
// with a decimal separator between digits.
inline std::string Shape(const std::string& text, const Separators& separators) {
    const auto digit = [&text](std::size_t k) { return text[k] >= '0' && text[k] <= '9'; };
    // The separator that starts at i, followed by a digit: its length, else 0.
    const auto separatorAt = [&](std::size_t i) -> std::size_t {
        for (const std::string* s : {&separators.thousand, &separators.decimal})
            if (!s->empty() && text.compare(i, s->size(), *s) == 0 && i + s->size() < text.size() &&
                digit(i + s->size()))
                return s->size();
        return 0;
    };
    std::string shape;
    for (std::size_t i = 0; i < text.size();) {
        if (!digit(i)) {
            shape += text[i++];
            continue;
        }
        while (i < text.size()) {
            if (digit(i)) {
                ++i;
            } else if (const std::size_t n = separatorAt(i)) {
                i += n;
            } else {
                break;
            }
        }
        shape += '#';
    }
    return shape;
}

using Bytes = std::vector<std::uint8_t>;

// An EBML element with a one-byte size (payloads under 127 bytes).
inline Bytes Element(Bytes id, const Bytes& payload) {
    Bytes out = std::move(id);
    out.push_back(static_cast<std::uint8_t>(0x80 | payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

inline Bytes Utf8(const char* s) {
    return Bytes(s, s + std::char_traits<char>::length(s));
}

inline Bytes MatroskaWithTitle(const char* utf8Title) {
    Bytes header = Element({0x1A, 0x45, 0xDF, 0xA3}, Element({0x42, 0x82}, Utf8("matroska")));
    Bytes info = Element({0x15, 0x49, 0xA9, 0x66}, Element({0x7B, 0xA9}, Utf8(utf8Title)));
    Bytes segment = Element({0x18, 0x53, 0x80, 0x67}, info);
    header.insert(header.end(), segment.begin(), segment.end());
    return header;
}

}  // namespace qm::win::test
