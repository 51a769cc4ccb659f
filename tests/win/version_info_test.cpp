// Version strings read from real executables: the program itself, small executables with version
// resources of their own, and copies of the program under other names, started as processes
// whose main window caption is read from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "WinTestSupport.h"
#include "win/framework/AnsiText.h"
#include "win/framework/App.h"
#include "win/framework/FrameworkTestSupport.h"
#include "win/framework/Raii.h"
#include "win/VersionInfo.h"

namespace qm::win::test {
namespace {

std::string Beside(const char* name) {
    return BinaryFolder() + name;
}

std::string Read(const std::string& file, std::string_view key, std::string value = "keep") {
    GetVersionInfoString(key, file, value);
    return value;
}

TEST(VersionInfoTest, TheProgramsOwnResource) {
    const std::string exe = Beside("Quillmark.exe");
    ASSERT_NE(::GetFileAttributesA(exe.c_str()), INVALID_FILE_ATTRIBUTES) << exe;
    struct Case {
        std::string_view key;
        const char* expected;
    };
    const Case cases[] = {
        {VersionInfoKeys[3], "0.7.4.17"},       // FileVersion
        {VersionInfoKeys[4], "Quillmark"},      // InternalName
        {VersionInfoKeys[7], "Quillmark.exe"},  // OriginalFilename
        {VersionInfoKeys[1], ""},               // CompanyName: present and empty
        {"Comment", ""},                        // the key the resource has
        {VersionInfoKeys[0], "keep"},           // "Comments" is not in it
        {VersionInfoKeys[9], "keep"},           // ProductName
        {VersionInfoKeys[10], "keep"},          // ProductVersion
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key));
        EXPECT_EQ(Read(exe, c.key), c.expected);
    }
    EXPECT_FALSE(Read(exe, VersionInfoKeys[5]).empty());  // LegalCopyright: a credit
}

TEST(VersionInfoTest, TheJapaneseDescriptionReadsInTheAnsiCodePage) {
    const std::string exe = Beside("Quillmark.exe");
    const std::wstring description = L"動画ファイル名をタイトルにちなんでリネーム";
    EXPECT_EQ(Read(exe, VersionInfoKeys[2], ""),
              WideToAnsi(description.c_str(), static_cast<int>(description.size())));
    if (::GetACP() == 932) {
        EXPECT_EQ(Read(exe, VersionInfoKeys[2], "").substr(0, 4), "\x93\xae\x89\xe6");  // 動画
    }
}

// Where the query reports a string's length in characters, as Microsoft documents it, a
// double-byte text is twice as long in bytes: the value is read whole all the same.
BOOL WINAPI QueryReportingCharacters(LPCVOID block, LPCSTR subBlock, LPVOID* value, PUINT length) {
    if (!::VerQueryValueA(block, subBlock, value, length)) return FALSE;
    if (std::string(subBlock).rfind("\\StringFileInfo\\", 0) == 0) *length = (*length + 1) / 2;
    return TRUE;
}

TEST(VersionInfoTest, TheValueIsWholeWhateverUnitTheLengthIsReportedIn) {
    const std::string exe = Beside("Quillmark.exe");
    const std::wstring description = L"動画ファイル名をタイトルにちなんでリネーム";
    SetVerQueryValueForTests(QueryReportingCharacters);
    const std::string read = Read(exe, VersionInfoKeys[2], "");
    const std::string version = Read(exe, VersionInfoKeys[3], "");
    SetVerQueryValueForTests(nullptr);
    EXPECT_EQ(read, WideToAnsi(description.c_str(), static_cast<int>(description.size())));
    EXPECT_EQ(version, "0.7.4.17");
}

TEST(VersionInfoTest, OtherResources) {
    struct Case {
        const char* file;
        std::string_view key;
        const char* expected;
    };
    const Case cases[] = {
        // No version resource at all.
        {"vfix_none.exe", VersionInfoKeys[3], "keep"},
        // Only the first translation of the list counts, whatever order the blocks have.
        {"vfix_two_translations.exe", VersionInfoKeys[3], "1.0"},
        {"vfix_two_translations.exe", VersionInfoKeys[2], "First"},
        {"vfix_two_translations.exe", VersionInfoKeys[9], "keep"},
        // Blanks and control characters go from both ends; blanks alone give the empty string.
        {"vfix_blank_values.exe", VersionInfoKeys[2], ""},
        {"vfix_blank_values.exe", VersionInfoKeys[3], "2.5"},
        {"vfix_blank_values.exe", VersionInfoKeys[4], "inner  blanks stay"},
        {"vfix_blank_values.exe", VersionInfoKeys[1], ""},
        // Strings without a translation list are not found.
        {"vfix_no_translation.exe", VersionInfoKeys[3], "keep"},
        // A file that is not there.
        {"no such file.exe", VersionInfoKeys[3], "keep"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::string(c.key));
        EXPECT_EQ(Read(Beside(c.file), c.key), c.expected);
    }
}

// The captions of a started copy's main window and of the window that owns it.
struct Captions {
    std::string main;
    std::string owner;
};

struct FindState {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMain(HWND hwnd, LPARAM param) {
    auto* state = reinterpret_cast<FindState*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == state->pid && std::string(cls) == "TForm1" && ::IsWindowVisible(hwnd)) {
        state->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A copy of the program, started; ended if still running, and its handles closed, on every
// way out.
struct Started {
    UniqueKernelHandle process;
    UniqueKernelHandle thread;
    DWORD id = 0;
    ~Started() {
        if (process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT)
            ::TerminateProcess(process.Get(), 1);
    }
};

bool Start(const std::string& exe, Started& started) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + exe + "\"";
    if (!::CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi))
        return false;
    started.process.Reset(pi.hProcess);
    started.thread.Reset(pi.hThread);
    started.id = pi.dwProcessId;
    return true;
}

// Waits for the copy's main window and reads the captions; returns the window (or null).
HWND ReadCaptions(const Started& started, Captions& result) {
    FindState state = {started.id, nullptr};
    for (int i = 0; i < 300 && !state.found; ++i) {
        ::EnumWindows(FindMain, reinterpret_cast<LPARAM>(&state));
        if (!state.found) ::Sleep(100);
    }
    if (!state.found) {
        ADD_FAILURE() << "no main window";
        return nullptr;
    }
    char text[256] = {};
    ::GetWindowTextA(state.found, text, sizeof text);
    result.main = text;
    char owner[256] = {};
    ::GetWindowTextA(::GetWindow(state.found, GW_OWNER), owner, sizeof owner);
    result.owner = owner;
    return state.found;
}

TEST(VersionInfoTest, CaptionsFollowTheExecutablesName) {
    EnsureApp();
    TempFolder temp;
    struct Case {
        const char* name;
        const char* title;
    };
    const Case cases[] = {
        {"Quillmark.exe", "Quillmark"},
        {"SAMPLE.TOOL.EXE", "Sample"},
        {"MyTool.exe", "Mytool"},
        {"myTool.exe", "mytool"},
    };
    // All copies run at once: each start and close takes the system seconds, not the test.
    Started copies[std::size(cases)];
    for (size_t i = 0; i < std::size(cases); ++i) {
        // A folder for each: file names differing in case only are one name to the system.
        const std::string folder = temp.Path() + std::to_string(i + 1);
        ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
        const std::string copy = folder + "\\" + cases[i].name;
        ASSERT_TRUE(::CopyFileA(Beside("Quillmark.exe").c_str(), copy.c_str(), FALSE));
        ASSERT_TRUE(Start(copy, copies[i])) << "cannot start " << copy;
    }
    // Closed as the user would close them, all before any is waited for.
    Captions captions[std::size(cases)];
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        if (HWND main = ReadCaptions(copies[i], captions[i])) ::PostMessageA(main, WM_CLOSE, 0, 0);
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(captions[i].main, std::string(cases[i].title) + " Ver.0.7.4.17 - Form1");
        EXPECT_EQ(captions[i].owner, cases[i].title);
        ASSERT_EQ(::WaitForSingleObject(copies[i].process.Get(), 20000), WAIT_OBJECT_0)
            << "did not end after WM_CLOSE";
        DWORD exitCode = 1;
        ::GetExitCodeProcess(copies[i].process.Get(), &exitCode);
        EXPECT_EQ(exitCode, 0u);
    }
}

}  // namespace
}  // namespace qm::win::test
