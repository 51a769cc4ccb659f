// The main window: its layout, the depth pair, the candidate list and the drop intake, on real
// windows.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeShell.h"
#include "WinTestSupport.h"
#include "win/DropMessages.h"
#include "win/framework/AnsiText.h"
#include "win/framework/App.h"
#include "win/framework/ComError.h"
#include "win/framework/FrameworkTestSupport.h"
#include "win/ShellServices.h"
#include "win/Unit1.h"

namespace qm::win::test {
namespace {

const wchar_t kGothic[] = L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";  // ＭＳ ゴシック

// A main window whose AddPath records what it is handed (and the cursor at that moment), and
// fails for one item on request.
class RecordingForm1 : public TForm1 {
  public:
    struct Call {
        std::string path;
        int depth;
        int cursor;
    };
    void AddPath(const std::string& path, int depth) override {
        calls.push_back({path, depth, App().AppCursor()});
        if (static_cast<int>(calls.size()) == failAt) throw Error(L"shell failed");
    }
    std::vector<Call> calls;
    int failAt = 0;
};

class MainFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApp();
        form = Form::New<RecordingForm1>();
    }
    FormPtr<RecordingForm1> form;
};

Control* FindControl(Container& container, const std::string& name) {
    for (Control* c : container.Children()) {
        if (c->Name() == name) return c;
        if (auto* inner = dynamic_cast<Container*>(c))
            if (Control* found = FindControl(*inner, name)) return found;
    }
    return nullptr;
}

// The window's place in its parent's client area.
RECT WindowBounds(HWND hwnd) {
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

LOGFONTW FontOf(HFONT font) {
    LOGFONTW lf = {};
    ::GetObjectW(font, sizeof lf, &lf);
    return lf;
}

// What a slip in the layout table would break, checked without copying the table: every
// control lies inside its parent's client area and overlaps none of its siblings (labels as
// large as their text), every button has its handler, and the list is in the list's font.
TEST_F(MainFormTest, ControlsFitTheirParentsWithoutOverlapAndEveryButtonIsWired) {
    ASSERT_EQ(form->ClientWidth(), 562);
    ASSERT_EQ(form->ClientHeight(), 399);
    for (Container* parent :
         {static_cast<Container*>(form.get()), static_cast<Container*>(&form->Panel1)}) {
        const std::vector<Control*> children = parent->Children();
        const int width = parent == form.get() ? form->ClientWidth() : form->Panel1.Width();
        const int height = parent == form.get() ? form->ClientHeight() : form->Panel1.Height();
        for (std::size_t i = 0; i < children.size(); ++i) {
            const Control& c = *children[i];
            SCOPED_TRACE(c.Name());
            EXPECT_TRUE(c.Visible());
            EXPECT_GT(c.Width(), 0);
            EXPECT_GT(c.Height(), 0);
            EXPECT_GE(c.Left(), 0);
            EXPECT_GE(c.Top(), 0);
            EXPECT_LE(c.Left() + c.Width(), width);
            EXPECT_LE(c.Top() + c.Height(), height);
            for (std::size_t j = i + 1; j < children.size(); ++j) {
                const Control& d = *children[j];
                const bool apart =
                    c.Left() + c.Width() <= d.Left() || d.Left() + d.Width() <= c.Left() ||
                    c.Top() + c.Height() <= d.Top() || d.Top() + d.Height() <= c.Top();
                EXPECT_TRUE(apart) << "overlaps " << d.Name();
            }
            if (c.Kind() == ControlKind::Button) {
                EXPECT_TRUE(c.OnClick) << "a button without its handler";
            }
        }
    }
    EXPECT_EQ(FontOf(form->LView.Font()).lfHeight, -12);
    EXPECT_STREQ(FontOf(form->Label1.Font()).lfFaceName, kGothic);
}

TEST_F(MainFormTest, TabOrderRunsThroughThePanelThenTheList) {
    std::vector<HWND> order;
    HWND hwnd = nullptr;
    for (int i = 0; i < 6; ++i) {
        hwnd = ::GetNextDlgTabItem(form->Handle(), hwnd, FALSE);
        order.push_back(hwnd);
    }
    const std::vector<HWND> expected = {form->Edit1.Handle(),   form->Button1.Handle(),
                                        form->Button2.Handle(), form->Button3.Handle(),
                                        form->LView.Handle(),   form->Edit1.Handle()};
    EXPECT_EQ(order, expected);
}

TEST_F(MainFormTest, ResizingKeepsThePanelOnTopAndTheListFillingTheRest) {
    RECT rc = form->BoundsRect();
    form->SetBounds(rc.left, rc.top, rc.right - rc.left + 100, rc.bottom - rc.top + 60);
    const RECT panel = WindowBounds(form->Panel1.Handle());
    const RECT list = WindowBounds(form->LView.Handle());
    EXPECT_EQ(panel.right - panel.left, form->ClientWidth());
    EXPECT_EQ(panel.bottom - panel.top, 249);
    EXPECT_EQ(list.top, 249);
    EXPECT_EQ(list.right - list.left, form->ClientWidth());
    EXPECT_EQ(list.bottom, form->ClientHeight());
}

TEST_F(MainFormTest, CaptionAndDropTarget) {
    // The test binary carries no version resource: the version part stays empty.
    EXPECT_EQ(form->Caption(), App().Title() + " Ver. - Form1");
    EXPECT_EQ(App().Title(), "win_tests");  // its first character keeps its case
    EXPECT_TRUE(::GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

HWND g_shellOwner = nullptr;
HINSTANCE WINAPI RecordOwner(HWND owner, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) {
    g_shellOwner = owner;
    return reinterpret_cast<HINSTANCE>(33);
}

TEST_F(MainFormTest, WhatTheShellOpensIsOwnedByTheMainWindowWhileItLives) {
    ShellLaunchCalls recorder;
    recorder.execute = RecordOwner;
    const ShellLaunchCalls previous = SetShellLaunchCalls(recorder);
    ShellOpen("C:\\", "");
    EXPECT_EQ(g_shellOwner, form->Handle());
    form.reset();
    ShellOpen("C:\\", "");
    EXPECT_EQ(g_shellOwner, nullptr);
    SetShellLaunchCalls(previous);
}

TEST_F(MainFormTest, DepthPairStartsAtTwoAndStopsAtItsEnds) {
    HWND edit = form->Edit1.Handle();
    EXPECT_EQ(form->UpDown1.Position(), 2);
    EXPECT_EQ(form->Edit1.Caption(), L"2");
    EXPECT_EQ(form->UpDown1.Min(), 0);
    EXPECT_EQ(form->UpDown1.Max(), 10);
    EXPECT_EQ(::SendMessageW(form->UpDown1.Handle(), UDM_GETBUDDY, 0, 0),
              reinterpret_cast<LRESULT>(edit));
    // The arrow keys in the box move the position and stop at the ends.
    for (int i = 0; i < 15; ++i)
        ::SendMessageW(edit, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(form->UpDown1.Position(), 10);
    EXPECT_EQ(form->Edit1.Caption(), L"10");
    for (int i = 0; i < 15; ++i)
        ::SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(form->UpDown1.Position(), 0);
    EXPECT_EQ(form->Edit1.Caption(), L"0");
}

TEST_F(MainFormTest, DepthPairTakesOverATypedNumber) {
    struct Case {
        const wchar_t* typed;
        short expected;
    };
    const Case cases[] = {
        {L"7", 7},                 // taken over
        {L"x", 7},                 // not a number: the position stays
        {L"10", 10}, {L"15", 10},  // out of range: the position stays
        {L"0", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToAnsi(c.typed));
        form->Edit1.SetCaption(std::wstring(c.typed));
        EXPECT_EQ(form->UpDown1.Position(), c.expected);
    }
}

TEST_F(MainFormTest, ListViewIsAReportWithCheckBoxesAndFourColumns) {
    HWND lv = form->LView.Handle();
    const LONG style = ::GetWindowLongW(lv, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_TRUE(style & LVS_EDITLABELS);
    EXPECT_FALSE(style & (LVS_SORTASCENDING | LVS_SORTDESCENDING | LVS_NOCOLUMNHEADER));
    const DWORD ex = static_cast<DWORD>(::SendMessageW(lv, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(ex & (LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
    EXPECT_NE(::SendMessageW(lv, LVM_GETIMAGELIST, LVSIL_STATE, 0), 0) << "no check box images";

    const wchar_t* headers[] = {L"新しい名前", L"元の名前", L"拡張子", L"フォルダ"};
    const int widths[] = {100, 100, 50, 100};
    HWND header = reinterpret_cast<HWND>(::SendMessageW(lv, LVM_GETHEADER, 0, 0));
    ASSERT_EQ(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        wchar_t text[64] = {};
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = text;
        col.cchTextMax = 64;
        ASSERT_TRUE(::SendMessageW(lv, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&col)));
        EXPECT_STREQ(text, headers[i]);
        EXPECT_EQ(col.cx, widths[i]);
        EXPECT_EQ(form->LView.MinWidth(i), widths[i]);
    }
}

TEST_F(MainFormTest, ColumnsNeverGetNarrowerThanTheirMinimum) {
    ListView view = form->LView.View();
    view.SetColumnWidth(0, 30);
    view.SetColumnWidth(2, 10);
    view.SetColumnWidth(3, 240);
    EXPECT_EQ(view.ColumnWidth(0), 100);
    EXPECT_EQ(view.ColumnWidth(2), 50);
    EXPECT_EQ(view.ColumnWidth(3), 240);
}

TEST_F(MainFormTest, RowsStayInTheOrderAddedAndAHeaderClickChangesNothing) {
    ListView view = form->LView.View();
    for (const char* name : {"zeta", "alpha", "mid"})
        view.AppendRow(name);
    HWND header = reinterpret_cast<HWND>(::SendMessageW(view.Handle(), LVM_GETHEADER, 0, 0));
    ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 5));
    ::SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
    EXPECT_EQ(view.Text(0, 0), "zeta");
    EXPECT_EQ(view.Text(1, 0), "alpha");
    EXPECT_EQ(view.Text(2, 0), "mid");
}

TEST_F(MainFormTest, TheProposedNameCanBeEditedInPlace) {
    ListView view = form->LView.View();
    view.AppendRow("Old title");
    view.SetText(0, 1, "movie");
    form->Show();
    ::SetFocus(view.Handle());
    HWND edit = reinterpret_cast<HWND>(::SendMessageW(view.Handle(), LVM_EDITLABELW, 0, 0));
    ASSERT_NE(edit, nullptr) << "editing the first column was refused";
    ::SetWindowTextW(edit, L"New title");
    ::SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    ::SendMessageW(edit, WM_CHAR, VK_RETURN, 0);
    PumpUntil([&] { return !::IsWindow(edit); }, 2000);
    EXPECT_EQ(view.Text(0, 0), "New title");
    EXPECT_EQ(view.Text(0, 1), "movie");
    form->Hide();
}

TEST_F(MainFormTest, ClearButtonEmptiesTheListAndKeepsTheColumnWidths) {
    ListView view = form->LView.View();
    view.AppendRow("a");
    view.AppendRow("b");
    view.SetColumnWidth(0, 180);
    ::SendMessageW(form->Button2.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(view.Count(), 0);
    EXPECT_EQ(view.ColumnWidth(0), 180);
}

std::vector<UINT> g_filtered;

BOOL WINAPI RecordFilter(HWND, UINT message, DWORD action, void* status) {
    if (action == 1 && status == nullptr) g_filtered.push_back(message);
    return TRUE;
}

// Run elevated, the window takes the three messages of a drop from the shell where the system
// can let them through, and starts the same where it cannot.
TEST_F(MainFormTest, LetsTheMessagesOfADropThroughWhereTheSystemCan) {
    g_filtered.clear();
    EXPECT_EQ(AllowDropMessages(form->Handle(), RecordFilter), 3);
    EXPECT_EQ(g_filtered, (std::vector<UINT>{WM_DROPFILES, WM_COPYDATA, 0x0049}));
    EXPECT_EQ(AllowDropMessages(form->Handle(), nullptr), 0);
}

TEST_F(MainFormTest, AddPathWalksAsDeepAsTheUpDownSays) {
    FakeShell shell;
    SetShellObjectFactory(shell.Factory());
    TempFolder temp;
    for (const char* folder : {"D", "D\\S", "D\\S\\T"})
        ASSERT_TRUE(::CreateDirectoryA((temp.Path() + folder).c_str(), nullptr));
    for (const char* file : {"D\\S\\s.avi", "D\\S\\T\\t.avi"}) {
        const std::string path = temp.Path() + file;
        ::CloseHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        shell.titles[AnsiToWide(path)] = L"Title";
    }
    // With 0, D's own sub-folder S is walked and T below it is not; with 1, T is walked too.
    const struct {
        short position;
        int rows;
    } cases[] = {{0, 1}, {1, 2}, {0, 1}};
    ListView view = form->LView.View();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        view.Clear();
        form->UpDown1.SetPosition(c.position);
        form->TForm1::AddPath(temp.Path() + "D", 0);
        EXPECT_EQ(view.Count(), c.rows);
    }
    ResetShellObjectFactory();
}

// An HDROP as the shell makes it: DROPFILES followed by the ANSI paths, each ending in a zero,
// and one more zero at the end.
HGLOBAL MakeDrop(const std::vector<std::string>& paths) {
    std::size_t chars = 1;
    for (const auto& p : paths)
        chars += p.size() + 1;
    HGLOBAL h = ::GlobalAlloc(GHND, sizeof(DROPFILES) + chars);
    auto* df = static_cast<DROPFILES*>(::GlobalLock(h));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = FALSE;
    char* text = reinterpret_cast<char*>(df) + sizeof(DROPFILES);
    for (const auto& p : paths) {
        std::memcpy(text, p.c_str(), p.size() + 1);
        text += p.size() + 1;
    }
    *text = '\0';
    ::GlobalUnlock(h);
    return h;
}

bool Released(HGLOBAL h) {
    return ::GlobalSize(h) == 0;
}

TEST_F(MainFormTest, DropHandsEveryItemOnInOrderUnderTheHourglass) {
    ErrorRecorder errors;
    const std::vector<std::string> items = {"C:\\videos\\b.mp4", "C:\\videos", "D:\\a.mkv",
                                            "C:\\videos\\b.mp4"};
    HGLOBAL drop = MakeDrop(items);
    ::SendMessageW(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    ASSERT_EQ(form->calls.size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(form->calls[i].path, items[i]);
        EXPECT_EQ(form->calls[i].depth, 0);
        EXPECT_EQ(form->calls[i].cursor, crHourGlass);
    }
    EXPECT_EQ(App().AppCursor(), crDefault);
    EXPECT_TRUE(Released(drop));
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainFormTest, DroppedPathLongerThan260CharactersArrivesCut) {
    std::string path = "C:\\";
    while (path.size() < 300)
        path += "abcdefghij\\";
    path.resize(300);
    ::SendMessageW(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({path})), 0);
    ASSERT_EQ(form->calls.size(), 1u);
    EXPECT_EQ(form->calls[0].path, path.substr(0, 260));
}

TEST_F(MainFormTest, AFailedItemStopsTheDropReleasesItAndRestoresTheCursorBeforeTheMessage) {
    ErrorRecorder errors;
    form->Show();
    const HWND list = form->LView.Handle();
    int cursorWhenShown = -1;
    bool releasedWhenShown = false;
    HGLOBAL drop = MakeDrop({"C:\\one.avi", "C:\\two.avi", "C:\\three.avi"});
    errors.onShow = [&] {
        cursorWhenShown = App().AppCursor();
        releasedWhenShown = Released(drop);
    };
    form->failAt = 2;
    ::SendMessageW(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);

    ASSERT_EQ(form->calls.size(), 2u) << "the third item must not be examined";
    EXPECT_EQ(form->calls[1].path, "C:\\two.avi");
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_EQ(errors.messages[0], L"shell failed");
    EXPECT_EQ(cursorWhenShown, crDefault);
    EXPECT_TRUE(releasedWhenShown);
    EXPECT_TRUE(::IsWindow(form->Handle()));
    // The list draws again: it waits to be repainted, and a row added now is drawn.
    const auto waitsForPaint = [list] {
        RECT update = {};
        ::GetUpdateRect(list, &update, FALSE);
        return !::IsRectEmpty(&update);
    };
    EXPECT_TRUE(waitsForPaint());
    ::ValidateRect(list, nullptr);
    form->LView.View().AppendRow("later");
    EXPECT_TRUE(waitsForPaint()) << "the list's redrawing stayed off";

    // The next drop works as usual.
    form->failAt = 0;
    form->calls.clear();
    HGLOBAL next = MakeDrop({"C:\\four.avi"});
    ::SendMessageW(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(next), 0);
    ASSERT_EQ(form->calls.size(), 1u);
    EXPECT_EQ(form->calls[0].cursor, crHourGlass);
    EXPECT_EQ(App().AppCursor(), crDefault);
    EXPECT_TRUE(Released(next));
    EXPECT_EQ(errors.messages.size(), 1u);
}

}  // namespace
}  // namespace qm::win::test
