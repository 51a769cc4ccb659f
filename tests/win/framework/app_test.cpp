// The application object: the modal loop with key preview, the owner window that carries the
// title, the application-wide cursor, the locale separators and the application title rule.
#include <windows.h>

#include <gtest/gtest.h>

#include <ios>
#include <string>
#include <vector>

#include "core/Format.h"
#include "win/framework/App.h"
#include "win/framework/Form.h"
#include "win/framework/FrameworkTestSupport.h"
#include "win/framework/controls/Control.h"

namespace qm::win::test {
namespace {

TEST_F(FrameworkTest, ModalLoopWithKeyPreview) {
    EnsureApp();
    auto other = Form::New<ProbeForm>();
    other->Show();
    App().SetMainForm(other.get());
    ::ShowWindow(App().OwnerWindow(), SW_SHOWNA);
    form->closeOnKey = true;
    form->hideOwnerOnShow = true;

    bool otherDisabledDuringModal = false;
    bool ownerHiddenDuringModal = false;
    form->Tick.OnClick = [&](Control&) {
        otherDisabledDuringModal = !::IsWindowEnabled(other->Handle());
        ownerHiddenDuringModal = !::IsWindowVisible(App().OwnerWindow());
        form->Tick.SetEnabled(false);
        // Tab moves the focus and does not reach the key handler; the letter does, through
        // key preview, although the edit box has the focus.
        ::SetFocus(form->Box.Handle());
        ::PostMessageW(form->Box.Handle(), WM_KEYDOWN, VK_TAB, 0);
        ::PostMessageW(form->Box.Handle(), WM_KEYDOWN, 'Q', 0);
    };
    form->Tick.SetEnabled(true);
    EXPECT_EQ(App().RunModal(*form), mrCancel);
    EXPECT_TRUE(otherDisabledDuringModal);
    EXPECT_TRUE(ownerHiddenDuringModal);
    EXPECT_EQ(form->keys, std::vector<WORD>{'Q'});
    EXPECT_TRUE(::IsWindowEnabled(other->Handle()));
    EXPECT_FALSE(form->Visible());

    // The owner window (and the taskbar button) comes back when the modal form goes.
    form.reset();
    EXPECT_TRUE(::IsWindowVisible(App().OwnerWindow()));
    App().SetMainForm(nullptr);
    ::ShowWindow(App().OwnerWindow(), SW_HIDE);
}

TEST(SeparatorsTest, FromTheLocaleOrTheDefaults) {
    struct Case {
        LCID locale;
        const char* thousand;
        const char* decimal;
    };
    const Case cases[] = {
        {MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT), ",", "."},
        {MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT), ".", ","},
        {MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT), ",", "."},
        {0x7FFFFFFF, ",", "."},  // no such locale: the defaults
    };
    for (const Case& c : cases) {
        const Separators s = ReadSeparators(c.locale);
        EXPECT_EQ(s.thousand, c.thousand) << std::hex << c.locale;
        EXPECT_EQ(s.decimal, c.decimal) << std::hex << c.locale;
    }
}

TEST_F(FrameworkTest, OwnerWindowOwnsTheFormsAndCarriesTheTitleAndIcon) {
    EXPECT_EQ(::GetWindow(form->Handle(), GW_OWNER), App().OwnerWindow());
    EXPECT_EQ(::GetParent(App().OwnerWindow()), nullptr);
    char text[64] = {};
    ::GetWindowTextA(App().OwnerWindow(), text, sizeof text);
    EXPECT_EQ(std::string(text), App().Title());
    // The taskbar button and the forms' captions show the program's icon.
    for (HWND hwnd : {App().OwnerWindow(), form->Handle()})
        EXPECT_EQ(reinterpret_cast<HICON>(::GetClassLongPtrW(hwnd, GCLP_HICON)), App().MainIcon());
}

TEST_F(FrameworkTest, HourglassShowsOverEveryWindowWhileSet) {
    App().SetAppCursor(crHourGlass);
    EXPECT_TRUE(::SendMessageW(form->Back.Handle(), WM_SETCURSOR,
                               reinterpret_cast<WPARAM>(form->Back.Handle()),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));
    App().SetAppCursor(crDefault);
    EXPECT_EQ(App().AppCursor(), crDefault);
}

TEST(AppTitleTest, CharLowerAFromTheSecondCharacterOn) {
    if (::GetACP() == 932) {
        // ア (83 41) stays whole: its trail byte is no "A" to lower-case; a "\" trail byte in
        // the folder (表, 95 5C) is no separator.
        EXPECT_EQ(AppTitleOf("C:\\\x95\x5C\\\x83\x41XY.Tool.exe"), "\x83\x41xy");
        EXPECT_EQ(AppTitleOf("C:\\\x95\x5C\\SAMPLE.TOOL.EXE"), "Sample");
    } else if (::GetACP() == 1252) {
        EXPECT_EQ(AppTitleOf("C:\\Apps\\\xC4\xC4X.exe"), "\xC4\xE4x");  // ÄÄX gives Ääx
    } else {
        GTEST_SKIP() << "needs code page 932 or 1252";
    }
    EXPECT_EQ(AppTitleOf("C:\\Apps\\MyTool.exe"), "Mytool");
    EXPECT_EQ(AppTitleOf("C:\\Apps\\myTool.exe"), "mytool");
}

}  // namespace
}  // namespace qm::win::test
