// Looks at the running program from outside, for the end-to-end journey: finds its main
// window, reads the rows of its list, and tells where on the screen a row's check box, a row's
// caption or a button lies, so the journey can use the real pointer and keyboard on them.
//
//   lvprobe find [SECONDS]        waits for the main window; prints its handle
//   lvprobe rows                  one line per row: index, checked (1/0), caption, base name,
//                                 extension, folder; tab-separated, UTF-8
//   lvprobe point list            screen point at the middle of the list
//   lvprobe point check ROW       screen point "x y" of the row's check box
//   lvprobe point label ROW       screen point of the row's caption
//   lvprobe point button CAPTION  screen point of the button with that caption (UTF-8)
//   lvprobe edit ROW              opens the in-place editor on the row's caption (the list
//                                 must have the keyboard focus: click the row first)
//   lvprobe editing               exits 0 while an in-place editor is open
//   lvprobe close                 asks the main window to close
//   lvprobe about [SECONDS]       waits for the about window; prints its caption (UTF-8)
//   lvprobe about-gone [SECONDS]  waits until no about window is up
//   lvprobe enabled               exits 0 when the main window takes input
//
// The list lives in another process, and the list view's messages carry pointers that the
// system does not marshal, so every record the list reads or fills is placed in the program's
// own memory (VirtualAllocEx, ReadProcessMemory, WriteProcessMemory).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "win/framework/Raii.h"

namespace {

using qm::win::UniqueKernelHandle;

constexpr int kColumns = 4;
constexpr int kTextBytes = 4096;

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                          nullptr);
    return s;
}

std::wstring FromCodePage(UINT codePage, const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

void Print(const std::string& text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}

std::wstring WindowText(HWND hwnd) {
    wchar_t buf[512] = {};
    ::GetWindowTextW(hwnd, buf, 512);
    return buf;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[128] = {};
    ::GetClassNameW(hwnd, buf, 128);
    return buf;
}

struct ChildSearch {
    std::wstring className;
    std::wstring text;  // empty: any
    HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<ChildSearch*>(param);
    if (::lstrcmpiW(ClassOf(hwnd).c_str(), search->className.c_str()) == 0 &&
        (search->text.empty() || WindowText(hwnd) == search->text)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindChildWindow(HWND parent, const std::wstring& className, const std::wstring& text) {
    ChildSearch search{className, text};
    ::EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The program's main window: a visible top-level window whose caption begins with
// "Quillmark" and that holds a list view.
BOOL CALLBACK FindMain(HWND hwnd, LPARAM param) {
    if (!::IsWindowVisible(hwnd)) return TRUE;
    if (WindowText(hwnd).rfind(L"Quillmark", 0) != 0) return TRUE;
    if (!FindChildWindow(hwnd, WC_LISTVIEWW, L"")) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

HWND MainWindow() {
    HWND found = nullptr;
    ::EnumWindows(FindMain, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The about window: a visible top-level window whose caption begins with "Quillmark" and ends
// with " - InfoForm".
BOOL CALLBACK FindAbout(HWND hwnd, LPARAM param) {
    static const std::wstring kEnd = L" - InfoForm";
    if (!::IsWindowVisible(hwnd)) return TRUE;
    const std::wstring text = WindowText(hwnd);
    if (text.rfind(L"Quillmark", 0) != 0 || text.size() < kEnd.size() ||
        text.compare(text.size() - kEnd.size(), kEnd.size(), kEnd) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

HWND AboutWindow() {
    HWND found = nullptr;
    ::EnumWindows(FindAbout, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Polls `ready` every 200 ms until it holds or `seconds` have passed.
template <typename Ready>
bool WaitFor(double seconds, Ready ready) {
    const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if (ready()) return true;
        if (static_cast<LONG>(::GetTickCount() - deadline) >= 0) return false;
        ::Sleep(200);
    }
}

// A block of memory in another process, freed on every path out.
class RemoteBlock {
  public:
    RemoteBlock(HANDLE process, size_t size)
        : process_(process),
          address_(
              ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBlock() {
        if (address_) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool Valid() const { return address_ != nullptr; }
    char* Address() const { return static_cast<char*>(address_); }
    bool Write(size_t offset, const void* data, size_t size) const {
        SIZE_T done = 0;
        return ::WriteProcessMemory(process_, Address() + offset, data, size, &done) &&
               done == size;
    }
    bool Read(size_t offset, void* data, size_t size) const {
        SIZE_T done = 0;
        return ::ReadProcessMemory(process_, Address() + offset, data, size, &done) && done == size;
    }

  private:
    HANDLE process_;
    void* address_;
};

// The program's list view, reached from this process.
class RemoteList {
  public:
    explicit RemoteList(HWND list) : list_(list) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(list, &pid);
        process_.Reset(
            ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    }
    bool Valid() const { return process_.Valid(); }

    int Count() const { return static_cast<int>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }

    bool Checked(int row) const {
        UINT state = static_cast<UINT>(
            ::SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
        return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
    }

    // A cell's text as the program holds it, in the ANSI code page both processes share.
    std::string Text(int row, int column) const {
        RemoteBlock block(process_.Get(), sizeof(LVITEMA) + kTextBytes);
        if (!block.Valid()) return std::string();
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = block.Address() + sizeof(LVITEMA);
        item.cchTextMax = kTextBytes;
        if (!block.Write(0, &item, sizeof(item))) return std::string();
        ::SendMessageA(list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(block.Address()));
        std::vector<char> text(kTextBytes + 1, '\0');
        if (!block.Read(sizeof(LVITEMA), text.data(), kTextBytes)) return std::string();
        return std::string(text.data());
    }

    // The row's rectangle of the given kind (LVIR_BOUNDS, LVIR_LABEL), in screen pixels.
    bool ItemRect(int row, int kind, RECT& rect) const {
        RemoteBlock block(process_.Get(), sizeof(RECT));
        if (!block.Valid()) return false;
        RECT in = {};
        in.left = kind;
        if (!block.Write(0, &in, sizeof(in))) return false;
        if (!::SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                            reinterpret_cast<LPARAM>(block.Address())))
            return false;
        if (!block.Read(0, &rect, sizeof(rect))) return false;
        ::MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return true;
    }

  private:
    HWND list_;
    UniqueKernelHandle process_;
};

void PrintPoint(LONG x, LONG y) {
    Print(std::to_string(x) + " " + std::to_string(y) + "\n");
}

void PrintCenter(HWND hwnd) {
    RECT r = {};
    ::GetWindowRect(hwnd, &r);
    PrintPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

int Fail(const char* message) {
    std::fprintf(stderr, "lvprobe: %s\n", message);
    return 1;
}

int Run(const std::vector<std::wstring>& args) {
    if (args.empty()) return Fail("no command");
    const std::wstring& command = args[0];

    const double seconds = args.size() > 1 ? _wtof(args[1].c_str()) : 0;
    if (command == L"find") {
        HWND main = nullptr;
        if (!WaitFor(seconds, [&main] { return (main = MainWindow()) != nullptr; }))
            return Fail("no main window");
        char text[32];
        std::snprintf(text, sizeof text, "%p\n", static_cast<void*>(main));
        Print(text);
        return 0;
    }
    if (command == L"about") {
        HWND about = nullptr;
        if (!WaitFor(seconds, [&about] { return (about = AboutWindow()) != nullptr; }))
            return Fail("no about window");
        Print(Utf8(WindowText(about)) + "\n");
        return 0;
    }
    if (command == L"about-gone") {
        return WaitFor(seconds, [] { return AboutWindow() == nullptr; })
                   ? 0
                   : Fail("the about window is still up");
    }

    HWND main = MainWindow();
    if (!main) return Fail("no main window");
    if (command == L"enabled") return ::IsWindowEnabled(main) ? 0 : 1;
    if (command == L"close") {
        ::PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    if (command == L"point" && args.size() == 3 && args[1] == L"button") {
        HWND button = FindChildWindow(main, L"Button", args[2]);
        if (!button) return Fail("no such button");
        PrintCenter(button);
        return 0;
    }

    HWND listWindow = FindChildWindow(main, WC_LISTVIEWW, L"");
    if (command == L"point" && args.size() == 2 && args[1] == L"list") {
        PrintCenter(listWindow);
        return 0;
    }
    RemoteList list(listWindow);
    if (!list.Valid()) return Fail("cannot open the program's process");

    if (command == L"rows") {
        const UINT acp = ::GetACP();
        for (int row = 0; row < list.Count(); ++row) {
            std::string line = std::to_string(row) + "\t" + (list.Checked(row) ? "1" : "0");
            for (int column = 0; column < kColumns; ++column)
                line += "\t" + Utf8(FromCodePage(acp, list.Text(row, column)));
            Print(line + "\n");
        }
        return 0;
    }
    if (command == L"editing") {
        HWND edit = reinterpret_cast<HWND>(::SendMessageW(listWindow, LVM_GETEDITCONTROL, 0, 0));
        return edit && ::IsWindowVisible(edit) ? 0 : 1;
    }
    if (args.size() < 2) return Fail("missing argument");
    if (command == L"edit") {
        const int row = _wtoi(args[1].c_str());
        HWND edit = reinterpret_cast<HWND>(
            ::SendMessageW(listWindow, LVM_EDITLABELW, static_cast<WPARAM>(row), 0));
        return edit ? 0 : Fail("the list refused to edit the row");
    }
    if (command == L"point" && args.size() == 3) {
        const int row = _wtoi(args[2].c_str());
        RECT bounds = {}, label = {};
        if (!list.ItemRect(row, LVIR_BOUNDS, bounds) || !list.ItemRect(row, LVIR_LABEL, label))
            return Fail("no such row");
        const LONG y = (bounds.top + bounds.bottom) / 2;
        LONG x = 0;
        if (args[1] == L"check") {
            // The check box is the state image left of the caption.
            x = (bounds.left + label.left) / 2;
        } else if (args[1] == L"label") {
            x = label.left + 12;
        } else {
            return Fail("unknown point");
        }
        PrintPoint(x, y);
        return 0;
    }
    return Fail("unknown command");
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv) return Fail("no command line");
    std::vector<std::wstring> args(argv + 1, argv + argc);
    ::LocalFree(argv);
    return Run(args);
}
