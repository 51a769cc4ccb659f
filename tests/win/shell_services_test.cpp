#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <ios>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "win/framework/ComError.h"
#include "win/framework/FrameworkTestSupport.h"
#include "win/FileSystem.h"
#include "win/framework/Raii.h"
#include "win/ShellServices.h"

namespace qm::win {
namespace {

using test::LinkContents;
using test::ReadLink;

// "表" in Shift-JIS is 95 5C: its trail byte has the value of "\".
const std::string kHyou = "\x95\x5C";
// "データ" in Shift-JIS.
const std::string kData = "\x83\x66\x81\x5B\x83\x5E";

bool Cp932() {
    return ::GetACP() == 932;
}

using test::JapaneseMessages;

class ComApartment {
  public:
    ComApartment() : hr_(::CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    HRESULT hr_;
};

using test::TempFolder;

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class CreateShortcutTest : public ::testing::Test {
  protected:
    ComApartment com_;
    TempFolder temp_;
};

TEST_F(CreateShortcutTest, LinkStartsTargetWithArgumentsInItsFolder) {
    struct Case {
        std::string target, workingDirectory;
    };
    const std::vector<Case> cases = {
        {"C:\\Apps\\Tool.exe", "C:\\Apps"},
        {"C:\\Tool.exe", "C:\\"},
        {"C:Tool.exe", "C:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        CreateShortcut(c.target, temp_.Folder(), "Tool");
        const LinkContents link = ReadLink(temp_.Folder() + "\\Tool.lnk");
        EXPECT_EQ(link.arguments, "/starup");
        EXPECT_EQ(link.workingDirectory, c.workingDirectory);
        // The shell resolves a drive-relative target against the current folder when it
        // stores it, so only absolute targets come back as given.
        if (c.target[2] == '\\') {
            EXPECT_EQ(link.path, c.target);
        }
    }
}

TEST_F(CreateShortcutTest, TrailByte5CIsNeitherDelimiterNorSeparator) {
    if (!Cp932()) GTEST_SKIP() << "needs the Shift-JIS code page";
    // A folder named 表: the target inside it, and the link written into it.
    const std::string folder = temp_.Folder() + "\\" + kHyou;
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    const std::string target = folder + "\\Tool.exe";
    CreateShortcut(target, folder, "Tool");
    const LinkContents link = ReadLink(folder + "\\Tool.lnk");
    EXPECT_EQ(link.path, target);
    EXPECT_EQ(link.workingDirectory, folder);
    EXPECT_EQ(link.arguments, "/starup");
}

TEST_F(CreateShortcutTest, FolderWithTrailingSeparatorsStillNamesThatFolder) {
    for (const std::string suffix : {"\\", "\\\\"}) {
        SCOPED_TRACE(suffix);
        const std::string linkPath = temp_.Folder() + "\\Tool.lnk";
        ::DeleteFileA(linkPath.c_str());
        CreateShortcut("C:\\Apps\\Tool.exe", temp_.Folder() + suffix, "Tool");
        EXPECT_EQ(ReadLink(linkPath).path, "C:\\Apps\\Tool.exe");
    }
}

TEST_F(CreateShortcutTest, SecondShortcutOfSameNameReplacesFirst) {
    CreateShortcut("C:\\Apps\\First.exe", temp_.Folder(), "Tool");
    CreateShortcut("C:\\Other\\Second.exe", temp_.Folder(), "Tool");
    const LinkContents link = ReadLink(temp_.Folder() + "\\Tool.lnk");
    EXPECT_EQ(link.path, "C:\\Other\\Second.exe");
    EXPECT_EQ(link.workingDirectory, "C:\\Other");
}

TEST_F(CreateShortcutTest, UnwritableFolderRaisesComErrorWithSystemText) {
    const std::string folder = temp_.Folder() + "\\missing\\deeper";
    try {
        CreateShortcut("C:\\Apps\\Tool.exe", folder, "Tool");
        FAIL() << "no error raised";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Code(), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
        EXPECT_EQ(e.Message(), JapaneseMessages() ? L"パスが見つかりません。" : L"Path not found");
    }
    EXPECT_FALSE(Exists(folder + "\\Tool.lnk"));
}

TEST_F(CreateShortcutTest, EmptyFolderRaisesAndWritesNothing) {
    // With an empty folder the link path would be "\<name>.lnk", in the root of the current
    // drive.
    const std::string name = "qm_shell_root_" + std::to_string(::GetCurrentProcessId());
    char current[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    ASSERT_TRUE(::SetCurrentDirectoryA(temp_.Folder().c_str()));
    bool raised = false;
    try {
        CreateShortcut("C:\\Apps\\Tool.exe", "", name);
    } catch (const ComError&) {
        ADD_FAILURE() << "a COM error, so the link was attempted";
    } catch (const Error& e) {
        raised = true;
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_TRUE(raised);
    EXPECT_FALSE(Exists("\\" + name + ".lnk"));
    ::DeleteFileA(("\\" + name + ".lnk").c_str());
    ::SetCurrentDirectoryA(current);
}

// What the shell was asked for last, copied out of the call.
struct LaunchRecord {
    int calls = 0;
    HWND owner = nullptr;
    bool verbNull = false, parametersNull = false, directoryNull = false;
    std::string verb, file, parameters, directory;
    int show = -1;
    SHELLEXECUTEINFOA info = {};
    HINSTANCE result = nullptr;
    HANDLE processToHandBack = nullptr;
};
LaunchRecord g_record;

std::string Copy(LPCSTR s) {
    return s ? std::string(s) : std::string();
}

HINSTANCE WINAPI RecordExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                               LPCSTR directory, INT show) {
    ++g_record.calls;
    g_record.owner = owner;
    g_record.verbNull = verb == nullptr;
    g_record.parametersNull = parameters == nullptr;
    g_record.directoryNull = directory == nullptr;
    g_record.verb = Copy(verb);
    g_record.file = Copy(file);
    g_record.parameters = Copy(parameters);
    g_record.directory = Copy(directory);
    g_record.show = show;
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(2));  // "file not found"
}

HINSTANCE WINAPI ForwardExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                LPCSTR directory, INT show) {
    RecordExecute(owner, verb, file, parameters, directory, show);
    g_record.result = ::ShellExecuteA(owner, verb, file, parameters, directory, show);
    return g_record.result;
}

BOOL WINAPI RecordExecuteEx(SHELLEXECUTEINFOA* info) {
    ++g_record.calls;
    g_record.info = *info;
    g_record.verb = Copy(info->lpVerb);
    g_record.file = Copy(info->lpFile);
    info->hProcess = g_record.processToHandBack;
    return TRUE;
}

// Installs the recorders and given owner windows for one test; puts the real calls back after.
class ShellLaunchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_record = LaunchRecord();
        ShellLaunchCalls calls;
        calls.execute = RecordExecute;
        calls.executeEx = RecordExecuteEx;
        previous_ = SetShellLaunchCalls(calls);
        SetShellOwnerWindows(kMain, kApplication);
    }
    void TearDown() override {
        SetShellLaunchCalls(previous_);
        SetShellOwnerWindows(nullptr, nullptr);
    }

    // Stand-ins: the recorders never use them as windows.
    const HWND kMain = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1230));
    const HWND kApplication = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4560));
    ShellLaunchCalls previous_;
};

TEST_F(ShellLaunchTest, ShellOpenPassesFolderUpToLastDelimiter) {
    struct Case {
        std::string file, directory;
        bool needsCp932;
    };
    const std::vector<Case> cases = {
        {"C:\\Tools\\App\\", "C:\\Tools\\App\\", false},
        {"C:\\Users\\u\\SendTo", "C:\\Users\\u\\", false},
        {"MailTo:someone@example.com", "MailTo:", false},
        {"https://example.com/", "https:", false},
        {"Tool.exe", "", false},
        // 表 ends in 5C: the split is at the real "\" before it, not inside the character.
        {"C:\\" + kData + "\\" + kHyou, "C:\\" + kData + "\\", true},
        {"C:\\" + kHyou + "\\x.avi", "C:\\" + kHyou + "\\", true},
    };
    for (const Case& c : cases) {
        if (c.needsCp932 && !Cp932()) continue;
        SCOPED_TRACE(c.file);
        g_record = LaunchRecord();
        ShellOpen(c.file, "");
        ASSERT_EQ(g_record.calls, 1);
        EXPECT_EQ(g_record.owner, kMain);
        EXPECT_TRUE(g_record.verbNull);
        EXPECT_EQ(g_record.file, c.file);
        EXPECT_FALSE(g_record.parametersNull);
        EXPECT_EQ(g_record.parameters, "");
        EXPECT_FALSE(g_record.directoryNull);
        EXPECT_EQ(g_record.directory, c.directory);
        EXPECT_EQ(g_record.show, SW_SHOW);
    }
}

TEST_F(ShellLaunchTest, ShowFilePropertiesAsksForThePropertiesVerb) {
    ShowFileProperties("C:\\v\\movie.avi");
    ASSERT_EQ(g_record.calls, 1);
    const SHELLEXECUTEINFOA& info = g_record.info;
    EXPECT_EQ(info.cbSize, sizeof(void*) == 4 ? 60u : 112u);  // the 32-bit record, or the 64-bit
    EXPECT_EQ(info.fMask, 0x44Cu);
    EXPECT_EQ(info.hwnd, kMain);
    EXPECT_EQ(g_record.verb, "properties");
    EXPECT_EQ(g_record.file, "C:\\v\\movie.avi");
    EXPECT_EQ(info.lpParameters, nullptr);
    EXPECT_EQ(info.lpDirectory, nullptr);
    EXPECT_EQ(info.nShow, 0);
    EXPECT_EQ(info.lpIDList, nullptr);
    EXPECT_EQ(info.lpClass, nullptr);
    EXPECT_EQ(info.hkeyClass, nullptr);
    EXPECT_EQ(info.dwHotKey, 0u);
}

TEST_F(ShellLaunchTest, ShowFilePropertiesClosesAProcessHandedBack) {
    HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    g_record.processToHandBack = event;
    ShowFileProperties("C:\\v\\movie.avi");
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(event, &flags)) << "handle left open";
}

// Processes this one has started, by id.
std::vector<DWORD> ChildProcesses() {
    std::vector<DWORD> ids;
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more;
         more = ::Process32Next(snapshot.Get(), &entry)) {
        if (entry.th32ParentProcessID == ::GetCurrentProcessId())
            ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

// Ends the folder window the shell starts as a process of its own, so it outlives neither the
// test nor the pipes of whoever runs the tests.
void EndProcessesStartedSince(const std::vector<DWORD>& before) {
    for (int wait = 0; wait < 50; ++wait) {
        bool ended = false;
        for (DWORD id : ChildProcesses()) {
            if (std::find(before.begin(), before.end(), id) != before.end()) continue;
            UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (!process) continue;
            ::TerminateProcess(process.Get(), 0);
            ::WaitForSingleObject(process.Get(), 5000);
            ended = true;
        }
        if (ended) return;
        ::Sleep(100);
    }
}

TEST_F(ShellLaunchTest, ShellOpenOfARealFolderSucceeds) {
    TempFolder temp;
    ShellLaunchCalls calls;
    calls.execute = ForwardExecute;
    SetShellLaunchCalls(calls);
    SetShellOwnerWindows(nullptr, nullptr);
    ::GetDesktopWindow();  // the desktop's own process starts now, not during the call
    const std::vector<DWORD> before = ChildProcesses();
    ShellOpen(temp.Path(), "");
    EndProcessesStartedSince(before);
    ASSERT_EQ(g_record.calls, 1);
    EXPECT_EQ(g_record.directory, temp.Path());
    EXPECT_GT(reinterpret_cast<INT_PTR>(g_record.result), 32);
}

TEST(SpecialFolderTest, KnownFoldersResolveUnknownOnesAreEmpty) {
    ComApartment com;
    const struct {
        std::string folder;
        const char* lastName;  // as Windows names the folder on disk, in any letter case
    } cases[] = {
        {GetDesktopFolder(), "\\Desktop"},
        {GetStartupFolder(), "\\Startup"},
        {GetSendToFolder(), "\\SendTo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        ASSERT_GT(c.folder.size(), std::strlen(c.lastName));
        EXPECT_EQ(::lstrcmpiA(c.folder.substr(c.folder.size() - std::strlen(c.lastName)).c_str(),
                              c.lastName),
                  0);
        EXPECT_TRUE(IsFolder(c.folder));
    }
    EXPECT_EQ(GetSpecialFolder(0x7F), "") << "a number the shell does not know";
}

}  // namespace
}  // namespace qm::win
