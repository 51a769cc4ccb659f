// The about window on real windows: its texts after creation, fitting and centring, the live
// readout, the click actions, the keys that close it and the owner window it hides.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "core/PathPieces.h"
#include "win/framework/AnsiText.h"
#include "win/framework/App.h"
#include "win/framework/Form.h"
#include "win/framework/Raii.h"
#include "win/InfoForm.h"
#include "win/Readout.h"
#include "win/ShellServices.h"
#include "win/VersionInfo.h"

namespace qm::win {
namespace {

using test::kReadoutShapes;
using test::LinkContents;
using test::ReadLink;
using test::Shape;

// ---- helpers ----

// Runs `fn` from the message loop after `ms` milliseconds (a thread timer), once.
std::map<UINT_PTR, std::function<void()>>& PendingRuns() {
    static std::map<UINT_PTR, std::function<void()>> pending;
    return pending;
}

void CALLBACK FirePending(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    auto it = PendingRuns().find(id);
    if (it == PendingRuns().end()) return;
    std::function<void()> fn = std::move(it->second);
    PendingRuns().erase(it);
    try {
        fn();
    } catch (...) {
        ADD_FAILURE() << "exception in a timed step";
    }
}

void RunSoon(std::function<void()> fn, UINT ms = 50) {
    const UINT_PTR id = ::SetTimer(nullptr, 0, ms, FirePending);
    ASSERT_NE(id, 0u);
    PendingRuns()[id] = std::move(fn);
}

void CancelPendingRuns() {
    for (auto& entry : PendingRuns())
        ::KillTimer(nullptr, entry.first);
    PendingRuns().clear();
}

// Handles messages for a while, as the modal loop would.
void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        App().ProcessMessages();
        ::Sleep(10);
    }
}

// The about window that is up, if any.
BOOL CALLBACK FindInfoForm(HWND hwnd, LPARAM param) {
    auto* form = dynamic_cast<TInfoForm*>(App().FormFromHandle(hwnd));
    if (!form) return TRUE;
    *reinterpret_cast<TInfoForm**>(param) = form;
    return FALSE;
}

// The about window of this thread. Another test process in the same Wine session may have one
// up at the same moment, so a search by class over the whole desktop could find that one.
TInfoForm* LiveInfoForm() {
    TInfoForm* found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindInfoForm, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string ExeFileName() {
    return FileNamePiece(ExePath(), SystemLeadBytes());
}

// Every label of the window, with its name.
std::vector<Label*> AllLabels(TInfoForm& f) {
    return {&f.LblExeName,
            &f.lblComment,
            &f.LblOsVersion,
            &f.LblPhys,
            &f.LblExeVersion,
            &f.lblURL,
            &f.lblMail,
            &f.LblLaunchOnStartup,
            &f.LblOpenStartup,
            &f.LblLaunchOnDesktop,
            &f.LblOpenFolderIn,
            &f.LblLaunchOnSendTo,
            &f.LblOpenSendTo,
            &f.Label1,
            &f.LblFileDescription,
            &f.Label2,
            &f.Label3,
            &f.LblPageFile,
            &f.LblVirtual,
            &f.LblWorkingSetSize,
            &f.LblPageFaultCount,
            &f.LblPagefileUsage,
            &f.LblPagedPoolUsage,
            &f.LblNonPagedPoolUsage,
            &f.LblProcessTime};
}

// The readout labels in the order of the readout's lines.
std::vector<Label*> ReadoutLabels(TInfoForm& f) {
    return {&f.LblPhys,           &f.LblPageFile,          &f.LblVirtual,
            &f.LblWorkingSetSize, &f.LblPageFaultCount,    &f.LblPagefileUsage,
            &f.LblPagedPoolUsage, &f.LblNonPagedPoolUsage, &f.LblProcessTime};
}

// Clicks a label as the user does: the mouse goes down and up over its middle. A double-click
// comes as a click followed by the second press (WM_LBUTTONDBLCLK) and its release.
void ClickLabel(Label& label, bool twice = false) {
    HWND panel = label.Parent()->ContainerHandle();
    const LPARAM at =
        MAKELPARAM(label.Left() + label.Width() / 2, label.Top() + label.Height() / 2);
    ::SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(panel, WM_LBUTTONUP, 0, at);
    if (!twice) return;
    ::SendMessageW(panel, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::SendMessageW(panel, WM_LBUTTONUP, 0, at);
}

// Records what reaches the shell instead of launching it.
struct ShellCall {
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
};
std::vector<ShellCall>& ShellCalls() {
    static std::vector<ShellCall> calls;
    return calls;
}
std::string Text(LPCSTR s) {
    return s ? std::string(s) : std::string("<null>");
}
HINSTANCE WINAPI RecordExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR dir, INT) {
    ShellCalls().push_back({Text(verb), Text(file), Text(parameters), Text(dir)});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}
BOOL WINAPI RecordExecuteEx(SHELLEXECUTEINFOA* info) {
    ShellCalls().push_back({Text(info->lpVerb), Text(info->lpFile), Text(info->lpParameters),
                            Text(info->lpDirectory)});
    return TRUE;
}

class AboutWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        App().Initialize(::GetModuleHandleW(nullptr));
        App().SetErrorDisplay([this](const std::wstring& m) { errors_.push_back(m); });
        previousShell_ = SetShellLaunchCalls({&RecordExecute, &RecordExecuteEx});
        ShellCalls().clear();
    }
    void TearDown() override {
        CancelPendingRuns();
        SetShellLaunchCalls(previousShell_);
        SetProcessStatusLoader(nullptr);
        App().SetErrorDisplay(nullptr);
        EXPECT_THAT(errors_, ::testing::IsEmpty());
    }

    std::vector<std::wstring> errors_;
    ShellLaunchCalls previousShell_;
    ComApartment com_;
};

// ---- texts ----

TEST(OsLineTextTest, DropsOnlyTheFirstMicrosoftWithItsBlank) {
    const struct {
        const char* os;
        const char* line;
    } cases[] = {
        {"Microsoft Windows XP Professional Service Pack 2 (Build 2600)",
         "Windows XP Professional Service Pack 2 (Build 2600)"},
        {"Windows NT product family? Professional Service Pack 1 (Build 7601)",
         "Windows NT product family? Professional Service Pack 1 (Build 7601)"},
        {"Microsoft Windows", "Windows"},
        {"Microsoft Microsoft Windows", "Microsoft Windows"},
        {"microsoft Windows", "microsoft Windows"},  // case counts
        {"MicrosoftWindows", "MicrosoftWindows"},    // the blank is part of the word
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OsLineText(c.os), c.line) << c.os;
}

TEST_F(AboutWindow, CaptionAndLabelsAfterCreation) {
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    TInfoForm& f = *form;

    std::string version;
    GetVersionInfoString("FileVersion", ExePath(), version);
    std::string description;
    GetVersionInfoString("FileDescription", ExePath(), description);
    EXPECT_EQ(f.Caption(), App().Title() + " Ver." + version + " - InfoForm");

    EXPECT_EQ(f.LblExeName.CaptionAnsi(), ExeFileName());
    EXPECT_EQ(f.LblExeVersion.CaptionAnsi(), "Ver." + version);
    EXPECT_EQ(f.LblFileDescription.CaptionAnsi(), description);
    // The running system in the words for an NT workstation of version 6 or later, which is
    // what Wine reports.
    OSVERSIONINFOEXA os = {};
    os.dwOSVersionInfoSize = sizeof os;
    ASSERT_TRUE(::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&os)));
    if (os.dwPlatformId == VER_PLATFORM_WIN32_NT && os.dwMajorVersion >= 6 &&
        os.wProductType == VER_NT_WORKSTATION) {
        EXPECT_EQ(f.LblOsVersion.CaptionAnsi(),
                  std::string("Windows NT product family? ") +
                      ((os.wSuiteMask & VER_SUITE_PERSONAL) ? "Home Edition " : "Professional ") +
                      os.szCSDVersion + " (Build " + std::to_string(os.dwBuildNumber & 0xFFFF) +
                      ")");
    }
    EXPECT_NE(f.LblOsVersion.CaptionAnsi().rfind("Microsoft ", 0), 0u);
    EXPECT_NE(f.AppIcon.Icon(), nullptr);

    const struct {
        Label& label;
        const wchar_t* caption;
    } fixed[] = {
        {f.LblOpenFolderIn, L"Open Folder This Program Installed"},
        {f.LblLaunchOnDesktop, L"Create Shortcut on \"Desktop\""},
        {f.LblLaunchOnStartup, L"Create Shortcut into \"Startup\""},
        {f.LblLaunchOnSendTo, L"Create Shortcut into \"SendTo\""},
        {f.LblOpenStartup, L"(Open)"},
        {f.LblOpenSendTo, L"(Open)"},
        {f.Label2, L"System Information"},
        {f.Label3, L"Process Information"},
    };
    for (const auto& c : fixed)
        EXPECT_EQ(c.label.Caption(), c.caption) << c.label.Name();

    // The credit block: an address the shell can open, a mail address, a handle in parentheses.
    EXPECT_EQ(f.lblURL.CaptionAnsi().rfind("https://", 0), 0u);
    EXPECT_NE(f.lblMail.CaptionAnsi().find('@'), std::string::npos);
    const std::string handle = f.Label1.CaptionAnsi();
    ASSERT_GE(handle.size(), 2u);
    EXPECT_EQ(handle.front(), '(');
    EXPECT_EQ(handle.back(), ')');
    EXPECT_EQ(f.HintOf(f.Label1).rfind("https://", 0), 0u);
    EXPECT_FALSE(f.lblComment.CaptionAnsi().empty());

    // The links of the credit line sit side by side; overlapping, a click on the web address
    // could open the handle's page.
    EXPECT_LE(f.lblURL.Left() + f.lblURL.Width(), f.Label1.Left());
    EXPECT_EQ(f.lblURL.Top(), f.Label1.Top());

    // No label still shows the name it carries in the layout.
    for (Label* label : AllLabels(f))
        EXPECT_NE(label->CaptionAnsi(), label->Name());
}

TEST_F(AboutWindow, ReadoutLinesMatchTheirPatternsAndChangeBetweenTicks) {
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    const std::vector<Label*> lines = ReadoutLabels(*form);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(Shape(lines[i]->CaptionAnsi(), App().NumberSeparators()), kReadoutShapes[i])
            << lines[i]->CaptionAnsi();

    EXPECT_TRUE(form->Timer1.Enabled());
    EXPECT_EQ(form->Timer1.Interval(), 500u);
    const std::string before = form->LblProcessTime.CaptionAnsi();
    PumpFor(1300);  // the process age moves on by at least one second
    EXPECT_NE(form->LblProcessTime.CaptionAnsi(), before);
    EXPECT_TRUE(form->Timer1.Enabled()) << "restarted after each tick";
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(Shape(lines[i]->CaptionAnsi(), App().NumberSeparators()), kReadoutShapes[i])
            << lines[i]->CaptionAnsi();
}

int failedLoads = 0;
HMODULE FailingLoader() {
    ++failedLoads;
    return nullptr;
}

TEST_F(AboutWindow, WithoutProcessStatusLibraryProcessLinesReadZeroAndLoadingIsRetried) {
    SetProcessStatusLoader(&FailingLoader);
    failedLoads = 0;
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    EXPECT_EQ(failedLoads, 1);
    EXPECT_EQ(form->LblWorkingSetSize.CaptionAnsi(), "Memory Usage:0 KB; Peak:0 KB");
    EXPECT_EQ(form->LblPageFaultCount.CaptionAnsi(), "Page Fault:0");
    EXPECT_EQ(form->LblPagefileUsage.CaptionAnsi(), "Pagefile Usage:0 KB; Peak:0 KB");
    EXPECT_EQ(form->LblPagedPoolUsage.CaptionAnsi(), "Paged Pool Usage:0 KB; Peak:0 KB");
    EXPECT_EQ(form->LblNonPagedPoolUsage.CaptionAnsi(), "NonPaged Pool Usage:0 KB; Peak:0 KB");
    EXPECT_EQ(Shape(form->LblPhys.CaptionAnsi(), App().NumberSeparators()), kReadoutShapes[0]);
    EXPECT_EQ(Shape(form->LblProcessTime.CaptionAnsi(), App().NumberSeparators()),
              kReadoutShapes[8]);

    PumpFor(700);  // at least one tick
    EXPECT_GE(failedLoads, 2) << "loading is tried again at the next tick";

    SetProcessStatusLoader(nullptr);
    PumpFor(700);
    EXPECT_NE(form->LblWorkingSetSize.CaptionAnsi(), "Memory Usage:0 KB; Peak:0 KB");
}

// Whether the Total figure of the physical-memory line (a million KB or more) is grouped by
// threes with `separator` and nothing else.
bool TotalGroupedWith(const std::string& line, char separator) {
    const std::size_t from = line.find("Total:");
    const std::size_t to = line.rfind(" KB");
    if (from == std::string::npos || to == std::string::npos || to < from + 6) return false;
    const std::string figure = line.substr(from + 6, to - from - 6);
    for (std::size_t i = 0; i < figure.size(); ++i) {
        const bool separatorHere = (figure.size() - i) % 4 == 0;
        if (separatorHere ? figure[i] != separator : (figure[i] < '0' || figure[i] > '9'))
            return false;
    }
    return figure.size() > 4;
}

void BroadcastSettingChange() {
    ::SendMessageW(App().OwnerWindow(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
}

// The readout writes numbers as the locale says from start-up on, and follows every settings
// broadcast. Start-up happens once per process, so this runs in a process of its own. The
// thread's locale at start-up groups thousands with "."; the user's default locale, which each
// broadcast reads, groups them with ",".
TEST(AboutWindowDeathTest, NumbersFollowTheLocaleFromStartUpAndEveryBroadcast) {
    const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
    char user[8] = {};
    ASSERT_GT(::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, user, sizeof user), 0);
    ASSERT_EQ(user[0], ',') << "needs a user locale that groups thousands with \",\"";
    EXPECT_EXIT(
        {
            const LCID own = ::GetThreadLocale();
            ::SetThreadLocale(german);
            App().Initialize(::GetModuleHandleW(nullptr));
            ::SetThreadLocale(own);
            FormPtr<TInfoForm> form = Form::New<TInfoForm>();
            const std::string atStart = form->LblPhys.CaptionAnsi();
            BroadcastSettingChange();
            form->UpdateStatus();
            const std::string afterBroadcast = form->LblPhys.CaptionAnsi();
            ::SetThreadLocale(german);  // not what a broadcast reads
            BroadcastSettingChange();
            form->UpdateStatus();
            const std::string afterAnother = form->LblPhys.CaptionAnsi();
            std::fprintf(stderr, "%s\n%s\n%s\n", atStart.c_str(), afterBroadcast.c_str(),
                         afterAnother.c_str());
            std::exit(TotalGroupedWith(atStart, '.') && TotalGroupedWith(afterBroadcast, ',') &&
                              TotalGroupedWith(afterAnother, ',')
                          ? 0
                          : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// ---- layout ----

TEST_F(AboutWindow, HiddenLabelsStayHiddenAndOutOfTheFit) {
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    Label* hidden[] = {&form->LblLaunchOnStartup, &form->LblOpenStartup, &form->LblLaunchOnSendTo,
                       &form->LblOpenSendTo};
    PumpFor(600);
    for (Label* label : hidden)
        EXPECT_FALSE(label->Visible()) << label->Name();
    // Hidden controls do not move with the fit.
    EXPECT_EQ(form->LblLaunchOnStartup.Left(), 104);
    EXPECT_EQ(form->LblLaunchOnStartup.Top(), 216);
    EXPECT_EQ(form->LblOpenSendTo.Left(), 288);
    EXPECT_EQ(form->LblOpenSendTo.Top(), 232);
}

TEST_F(AboutWindow, FittedToItsContentsWithTheBorderAsMargin) {
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    const Panel& panel = form->PnlBack;
    EXPECT_EQ(panel.Left(), 0);
    EXPECT_EQ(panel.Top(), 0);
    EXPECT_EQ(form->ClientWidth(), panel.Width());
    EXPECT_EQ(form->ClientHeight(), panel.Height());

    RECT box = {};
    bool any = false;
    for (Control* c : panel.Children()) {
        if (!c->Visible()) continue;
        const RECT& b = c->Bounds();
        if (!any) box = b;
        box.left = std::min(box.left, b.left);
        box.top = std::min(box.top, b.top);
        box.right = std::max(box.right, b.right);
        box.bottom = std::max(box.bottom, b.bottom);
        any = true;
    }
    ASSERT_TRUE(any);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right + 2 * panel.BorderWidth(), panel.Width());
    EXPECT_EQ(box.bottom + 2 * panel.BorderWidth(), panel.Height());
    EXPECT_EQ(panel.BorderWidth(), 10);
}

void ExpectCentredOn(const TInfoForm& form, const RECT& wa) {
    const RECT b = form.BoundsRect();
    const int width = b.right - b.left;
    const int height = b.bottom - b.top;
    EXPECT_EQ(b.left, wa.left + (wa.right - wa.left - width) / 2);
    EXPECT_EQ(b.top, wa.top + (wa.bottom - wa.top - height) / 2);
}

TEST_F(AboutWindow, CentredOnTheWorkAreaAtItsFittedSize) {
    RECT wa = {};
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0));
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    ExpectCentredOn(*form, wa);
}

// A work area that does not begin at the screen origin, as with the taskbar on the left or at the
// top; restored when the test ends.
class ShiftedWorkArea {
  public:
    ShiftedWorkArea() {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &saved_, 0);
        RECT shifted = saved_;
        shifted.left += 120;
        shifted.top += 60;
        set_ = ::SystemParametersInfoA(SPI_SETWORKAREA, 0, &shifted, 0) != FALSE;
        RECT now = {};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &now, 0);
        set_ = set_ && now.left == shifted.left && now.top == shifted.top;
    }
    ~ShiftedWorkArea() { ::SystemParametersInfoA(SPI_SETWORKAREA, 0, &saved_, 0); }
    bool Set() const { return set_; }

  private:
    RECT saved_ = {};
    bool set_ = false;
};

TEST_F(AboutWindow, CentredOnAWorkAreaAwayFromTheScreenOrigin) {
    ShiftedWorkArea shifted;
    if (!shifted.Set()) GTEST_SKIP() << "the work area cannot be moved here";
    RECT wa = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0);
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    ExpectCentredOn(*form, wa);
}

// ---- clicks ----

TEST_F(AboutWindow, LinksAndFolderGoToTheShell) {
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    TInfoForm& f = *form;
    const std::string exe = ExePath();
    const std::string folder = FolderPiece(exe, SystemLeadBytes());
    const std::string url = f.lblURL.CaptionAnsi();
    const std::string mail =
        "MailTo:" + f.lblMail.CaptionAnsi() + "?subject=from [" + ExeFileName() + "] user";

    const struct {
        Label& label;
        std::string verb, file, directory;
    } cases[] = {
        {f.lblURL, "<null>", url, FolderPiece(url, SystemLeadBytes())},
        {f.Label1, "<null>", f.HintOf(f.Label1),
         FolderPiece(f.HintOf(f.Label1), SystemLeadBytes())},
        {f.lblMail, "<null>", mail, "MailTo:"},
        {f.LblOpenFolderIn, "<null>", folder, folder},
        {f.LblExeName, "properties", exe, "<null>"},
    };
    for (const auto& c : cases) {
        // A click, then a double-click: one action each, so two windows and not three.
        ShellCalls().clear();
        ClickLabel(c.label);
        ClickLabel(c.label, true);
        ASSERT_EQ(ShellCalls().size(), 2u) << c.label.Name();
        for (const ShellCall& call : ShellCalls()) {
            EXPECT_EQ(call.verb, c.verb) << c.label.Name();
            EXPECT_EQ(call.file, c.file) << c.label.Name();
            EXPECT_EQ(call.directory, c.directory) << c.label.Name();
            if (c.verb != "properties") {
                EXPECT_EQ(call.parameters, "") << c.label.Name();
            }
        }
    }
    EXPECT_EQ(folder.back(), '\\');
}

// The desktop is shared by every test process in the Wine prefix (the code-page runs go in
// parallel) and the link is named after the test binary, so every test that writes, deletes or
// looks for that link takes its turn: one that deleted it without waiting made the other
// process find its freshly written link gone.
class DesktopTurn {
  public:
    DesktopTurn() : mutex_(::CreateMutexA(nullptr, FALSE, "QuillmarkTestsDesktopShortcut")) {
        if (mutex_.Valid()) ::WaitForSingleObject(mutex_.Get(), 60000);
    }
    ~DesktopTurn() {
        if (mutex_.Valid()) ::ReleaseMutex(mutex_.Get());
    }
    DesktopTurn(const DesktopTurn&) = delete;
    DesktopTurn& operator=(const DesktopTurn&) = delete;

  private:
    UniqueKernelHandle mutex_;
};

// Removes a link from the desktop; true once it is gone. Wine's desktop reads every link that
// appears on it and, while it reads, the file can be neither deleted nor written, so a busy
// link is waited for.
bool RemoveDesktopLink(const std::string& link) {
    for (int attempt = 0; attempt < 250; ++attempt) {
        if (::DeleteFileA(link.c_str())) return true;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return true;
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) return false;
        ::Sleep(20);
    }
    return false;
}

TEST_F(AboutWindow, SharedHandlersIgnoreAForeignSender) {
    const DesktopTurn turn;
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    const std::string link = ShortcutLinkPath(
        GetDesktopFolder(), BaseNamePiece(ExePath(), SystemLeadBytes()), SystemLeadBytes());
    ASSERT_TRUE(RemoveDesktopLink(link));

    Control* foreign[] = {&form->lblComment, &form->LblPhys, &form->Timer1, &form->PnlBack};
    for (Control* sender : foreign) {
        form->LblLaunchOnStartupClick(*sender);
        form->LblOpenStartupClick(*sender);
        form->Label1Click(*sender);
    }
    // Each handler knows only its own labels.
    form->LblLaunchOnStartupClick(form->LblOpenFolderIn);
    form->LblOpenStartupClick(form->LblLaunchOnDesktop);
    EXPECT_THAT(ShellCalls(), ::testing::IsEmpty());
    EXPECT_EQ(::GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(AboutWindow, DesktopShortcutIsWrittenOnEveryClick) {
    const DesktopTurn turn;
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    const std::string exe = ExePath();
    const std::string desktop = GetDesktopFolder();
    ASSERT_FALSE(desktop.empty());
    ::CreateDirectoryA(desktop.c_str(), nullptr);
    const std::string link =
        ShortcutLinkPath(desktop, BaseNamePiece(exe, SystemLeadBytes()), SystemLeadBytes());

    // The link is taken away before each click, so each click has to write it whole. (Writing
    // over a link of the same name is CreateShortcut's own test: here the desktop may be
    // reading the link just written, which would refuse a writer.)
    for (int click = 1; click <= 2; ++click) {
        ASSERT_TRUE(RemoveDesktopLink(link)) << "click " << click;
        ClickLabel(form->LblLaunchOnDesktop);
        ASSERT_NE(::GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES) << "click " << click;
        const LinkContents contents = ReadLink(link);
        EXPECT_EQ(::lstrcmpiA(contents.path.c_str(), exe.c_str()), 0) << contents.path;
        EXPECT_EQ(contents.arguments, "/starup");
        EXPECT_EQ(contents.workingDirectory, ShortcutWorkingDirectory(exe, SystemLeadBytes()));
    }
    EXPECT_THAT(ShellCalls(), ::testing::IsEmpty());
    EXPECT_TRUE(RemoveDesktopLink(link));
}

// ---- keys and the modal run ----

// Shows the about window modally; once it is up, `whileUp` runs inside its loop. If the window
// is still up `closeAfterMs` later it is closed and the result says so.
struct ModalRun {
    bool stayedOpen = false;
    bool appeared = false;
};
ModalRun ShowAboutAnd(std::function<void(TInfoForm&)> whileUp, UINT closeAfterMs = 600) {
    ModalRun run;
    RunSoon([&run, whileUp, closeAfterMs] {
        TInfoForm* form = LiveInfoForm();
        if (!form) {
            ADD_FAILURE() << "the modal loop runs without the about window";
            ::PostQuitMessage(0);  // leave the loop rather than wait for ever
            return;
        }
        run.appeared = true;
        whileUp(*form);
        RunSoon(
            [&run] {
                if (TInfoForm* still = LiveInfoForm()) {
                    run.stayedOpen = true;
                    still->Close();
                }
            },
            closeAfterMs);
    });
    ShowInfoForm();
    CancelPendingRuns();
    MSG quit;
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return run;
}

struct KeyCase {
    const char* name;
    UINT message;
    WORD key;
    bool shiftHeld;
    bool closes;
};

// Marks Shift as held for the thread, for the keys that read the shift state.
class HeldShift {
  public:
    explicit HeldShift(bool on) : on_(on) {
        if (!on_) return;
        ::GetKeyboardState(saved_);
        BYTE state[256];
        std::copy(std::begin(saved_), std::end(saved_), state);
        state[VK_SHIFT] = 0x80;
        state[VK_LSHIFT] = 0x80;
        ::SetKeyboardState(state);
    }
    ~HeldShift() {
        if (on_) ::SetKeyboardState(saved_);
    }

  private:
    bool on_;
    BYTE saved_[256] = {};
};

TEST_F(AboutWindow, EveryKeyClosesItButTabAndShiftTab) {
    const KeyCase cases[] = {
        {"letter", WM_KEYDOWN, 'A', false, true},
        {"digit", WM_KEYDOWN, '7', false, true},
        {"Enter", WM_KEYDOWN, VK_RETURN, false, true},
        {"Esc", WM_KEYDOWN, VK_ESCAPE, false, true},
        {"F1", WM_KEYDOWN, VK_F1, false, true},
        {"arrow", WM_KEYDOWN, VK_DOWN, false, true},
        {"lone Shift", WM_KEYDOWN, VK_SHIFT, false, true},
        {"lone Ctrl", WM_KEYDOWN, VK_CONTROL, false, true},
        {"lone Alt", WM_SYSKEYDOWN, VK_MENU, false, true},
        {"Alt+X", WM_SYSKEYDOWN, 'X', false, true},
        {"Tab", WM_KEYDOWN, VK_TAB, false, false},
        {"Shift+Tab", WM_KEYDOWN, VK_TAB, true, false},
    };
    for (const KeyCase& c : cases) {
        HeldShift shift(c.shiftHeld);
        const ModalRun run = ShowAboutAnd([&c](TInfoForm& form) {
            HWND focus = ::GetFocus();
            HWND target =
                focus && ::GetAncestor(focus, GA_ROOT) == form.Handle() ? focus : form.Handle();
            // Alt held: the context bit of a system key.
            const LPARAM lParam = c.message == WM_SYSKEYDOWN ? (1 | (1 << 29)) : 1;
            ::PostMessageW(target, c.message, c.key, lParam);
        });
        EXPECT_TRUE(run.appeared) << c.name;
        EXPECT_EQ(run.stayedOpen, !c.closes) << c.name;
        EXPECT_EQ(LiveInfoForm(), nullptr) << c.name;
    }
}

// A plain main window for the modal run.
class TestMainForm : public Form {
  protected:
    const FormDef& Definition() const override {
        static const FormDef def = {
            "MainForm",
            L"TAboutTestMain",
            L"MainForm",
            10,
            10,
            200,
            100,
            FormBorder::Sizeable,
            clBtnFace,
            FontSpec{L"Arial", 13, ANSI_CHARSET, clWindowText, false, false},
            false,
            nullptr,
            0};
        return def;
    }
};

TEST_F(AboutWindow, OwnerWindowIsHiddenWhileItIsUpAndVisibleAfter) {
    FormPtr<TestMainForm> main = Form::New<TestMainForm>();
    HWND owner = App().OwnerWindow();
    ASSERT_NE(owner, nullptr);
    bool visibleBefore = false, hiddenDuring = false, visibleAfter = false;
    ModalRun run;
    RunSoon([&] {
        visibleBefore = ::IsWindowVisible(owner) != FALSE;
        run = ShowAboutAnd([&](TInfoForm&) { hiddenDuring = !::IsWindowVisible(owner); }, 100);
        visibleAfter = ::IsWindowVisible(owner) != FALSE;
        main->Close();  // ends the program's loop
    });
    App().Run(*main);
    EXPECT_TRUE(run.appeared);
    EXPECT_TRUE(visibleBefore);
    EXPECT_TRUE(hiddenDuring);
    EXPECT_TRUE(visibleAfter);
}

}  // namespace
}  // namespace qm::win
