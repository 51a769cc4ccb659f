// The framework layer on real windows: the exception firewall, labels drawn by their parent
// (size, hit testing, clicks), panels that fit their contents, window timers, key preview with
// the modal loop, the owner window, the locale separators and the application title rule.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "win/framework/ComError.h"
#include "win/framework/Form.h"

namespace qm::win::test {
namespace {

const FontSpec kArial = {L"Arial", 13, ANSI_CHARSET, clNavy, false, true};

class ProbeForm : public Form {
  public:
    Panel Back;
    Label Under;  // partly covered by Over
    Label Over;
    Label Hidden;
    Edit Box;
    Button Throwing;
    Timer Tick;

    void UnderClick(Control& sender) { clicks.push_back(&sender); }
    void OverClick(Control& sender) { clicks.push_back(&sender); }
    void HiddenClick(Control& sender) { clicks.push_back(&sender); }
    void ThrowingClick(Control&) {
        ++throwingClicks;
        if (throwWhat == 1) throw Error(L"ボタンのエラー");
        if (throwWhat == 2) throw 42;
    }
    void TickTimer(Control&) {
        ++ticks;
        if (ticks == stopAfter) Tick.SetEnabled(false);
    }

    std::vector<Control*> clicks;
    std::vector<WORD> keys;
    int throwingClicks = 0;
    int throwWhat = 0;
    int ticks = 0;
    int stopAfter = 0;
    bool closeOnKey = false;
    bool hideOwnerOnShow = false;

    static const FormDef& Layout() {
        using K = ControlKind;
        static const ControlRow rows[] = {
            {"Back",
             K::Panel,
             nullptr,
             {8, 8, 300, 300},
             nullptr,
             nullptr,
             clWhite,
             0,
             0,
             FieldOf<&ProbeForm::Back>,
             nullptr,
             BorderExtra(10)},
            {"Under",
             K::Label,
             "Back",
             {56, 16, 10, 10},
             L"Underneath label",
             nullptr,
             clParent,
             kTransparent | kHandCursor,
             -1,
             FieldOf<&ProbeForm::Under>,
             HandlerOf<&ProbeForm::UnderClick>,
             {}},
            {"Over",
             K::Label,
             "Back",
             {56, 6, 10, 10},
             L"Over",
             &kArial,
             clParent,
             0,
             -1,
             FieldOf<&ProbeForm::Over>,
             HandlerOf<&ProbeForm::OverClick>,
             {}},
            {"Hidden",
             K::Label,
             "Back",
             {200, 250, 10, 10},
             L"Hidden far away",
             nullptr,
             clParent,
             kHidden,
             -1,
             FieldOf<&ProbeForm::Hidden>,
             HandlerOf<&ProbeForm::HiddenClick>,
             {}},
            {"Box",
             K::Edit,
             "Back",
             {56, 60, 80, 21},
             L"",
             nullptr,
             clParent,
             0,
             0,
             FieldOf<&ProbeForm::Box>,
             nullptr,
             {}},
            {"Throwing",
             K::Button,
             "Back",
             {56, 90, 80, 25},
             L"Go",
             nullptr,
             clParent,
             0,
             1,
             FieldOf<&ProbeForm::Throwing>,
             HandlerOf<&ProbeForm::ThrowingClick>,
             {}},
            {"Tick",
             K::Timer,
             nullptr,
             {0, 0, 0, 0},
             nullptr,
             nullptr,
             clParent,
             kDisabled,
             -1,
             FieldOf<&ProbeForm::Tick>,
             HandlerOf<&ProbeForm::TickTimer>,
             IntervalExtra(10)},
        };
        static const FormDef def = {"ProbeForm",
                                    L"TProbeForm",
                                    L"ProbeForm",
                                    100,
                                    100,
                                    357,
                                    423,
                                    FormBorder::Dialog,
                                    clWhite,
                                    {L"Arial", 13, ANSI_CHARSET, clWindowText, false, false},
                                    true,
                                    rows,
                                    sizeof rows / sizeof rows[0]};
        return def;
    }

  protected:
    const FormDef& Definition() const override { return Layout(); }
    void OnKeyDown(WORD& key, ShiftState) override {
        keys.push_back(key);
        if (closeOnKey) Close();
    }
    void OnShow() override {
        if (hideOwnerOnShow) ::ShowWindow(App().OwnerWindow(), SW_HIDE);
    }
};

class FrameworkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApp();
        form = Form::New<ProbeForm>();
    }
    void Click(HWND hwnd, int x, int y, int upX, int upY) {
        ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(upX, upY));
    }
    FormPtr<ProbeForm> form;
};

TEST_F(FrameworkTest, AnErrorInAHandlerIsShownOnceAndTheProgramGoesOn) {
    ErrorRecorder errors;
    form->throwWhat = 1;
    ::SendMessageW(form->Throwing.Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_EQ(errors.messages[0], L"ボタンのエラー");

    // Something that is no exception class at all is still caught and shown.
    form->throwWhat = 2;
    ::SendMessageW(form->Throwing.Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(errors.messages.size(), 2u);
    EXPECT_FALSE(errors.messages[1].empty());

    form->throwWhat = 0;
    ::SendMessageW(form->Throwing.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form->throwingClicks, 3);
    EXPECT_EQ(errors.messages.size(), 2u);
    EXPECT_TRUE(::IsWindow(form->Handle()));
}

TEST_F(FrameworkTest, LabelsSizeToTheirTextInTheirOwnFont) {
    const int before = form->Over.Width();
    EXPECT_GT(before, 0);
    form->Over.SetCaption(std::string("Over, and a good deal longer"));
    EXPECT_GT(form->Over.Width(), before);
    EXPECT_EQ(form->Over.CaptionAnsi(), "Over, and a good deal longer");
    EXPECT_EQ(form->Over.FontColor(), RGB(0, 0, 128));
    // An empty caption keeps the height of a line.
    const int height = form->Over.Height();
    form->Over.SetCaption(std::wstring());
    EXPECT_EQ(form->Over.Height(), height);
    EXPECT_GT(form->Over.Width(), 0);
}

TEST_F(FrameworkTest, ClicksGoToTheTopmostVisibleLabelUnderThePointer) {
    HWND back = form->Back.Handle();
    const RECT over = form->Over.Bounds();
    const RECT under = form->Under.Bounds();
    ASSERT_LT(over.top, under.top);
    ASSERT_GT(over.bottom, under.top) << "the labels must overlap for this test";
    // Where both lie, the later one (Over) takes the click.
    Click(back, under.left + 2, under.top + 1, under.left + 2, under.top + 1);
    // Below Over, only Under.
    Click(back, under.left + 2, under.bottom - 1, under.left + 2, under.bottom - 1);
    // Pressed on Under, released elsewhere: no click.
    Click(back, under.left + 2, under.bottom - 1, 290, 5);
    // A hidden label takes no clicks.
    const RECT hidden = form->Hidden.Bounds();
    Click(back, hidden.left + 1, hidden.top + 1, hidden.left + 1, hidden.top + 1);
    const std::vector<Control*> expected = {&form->Over, &form->Under};
    EXPECT_EQ(form->clicks, expected);
}

TEST_F(FrameworkTest, PanelFitsItsVisibleChildrenInsideItsBorder) {
    form->Back.SetAutoSize(true);
    // The box of the visible children starts at the client area's corner; hidden ones stay.
    EXPECT_EQ(form->Over.Left(), 0);
    EXPECT_EQ(form->Over.Top(), 0);
    EXPECT_EQ(form->Under.Top(), 10);
    EXPECT_EQ(form->Box.Top(), 54);
    RECT box;
    ::GetWindowRect(form->Box.Handle(), &box);
    ::MapWindowPoints(nullptr, form->Back.Handle(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 54);
    EXPECT_EQ(form->Hidden.Left(), 200);
    RECT client;
    ::GetClientRect(form->Back.Handle(), &client);
    int right = 0;
    for (Control* c : {static_cast<Control*>(&form->Over), static_cast<Control*>(&form->Under),
                       static_cast<Control*>(&form->Box), static_cast<Control*>(&form->Throwing)})
        right = std::max(right, static_cast<int>(c->Bounds().right));
    EXPECT_EQ(client.right, right);
    EXPECT_EQ(client.bottom, form->Throwing.Bounds().bottom);
    EXPECT_EQ(form->Back.Width(), client.right + 20);
    EXPECT_EQ(form->Back.Height(), client.bottom + 20);

    // A label that grows makes the panel grow with it.
    form->Under.SetCaption(std::string(80, 'W'));
    ::GetClientRect(form->Back.Handle(), &client);
    EXPECT_EQ(client.right, form->Under.Bounds().right);

    // The form fits its only child, the panel.
    form->SetAutoSize(true);
    EXPECT_EQ(form->Back.Left(), 0);
    EXPECT_EQ(form->Back.Top(), 0);
    EXPECT_EQ(form->ClientWidth(), form->Back.Width());
    EXPECT_EQ(form->ClientHeight(), form->Back.Height());
}

TEST_F(FrameworkTest, WindowTimerTicksUntilItsHandlerDisablesIt) {
    form->stopAfter = 3;
    form->Tick.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return form->ticks >= 3; }));
    EXPECT_FALSE(form->Tick.Enabled());
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(form->ticks, 3);
    form->stopAfter = 0;
    form->Tick.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return form->ticks >= 4; }));
}

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

TEST_F(FrameworkTest, OwnerWindowOwnsTheFormsAndCarriesTheTitle) {
    EXPECT_EQ(::GetWindow(form->Handle(), GW_OWNER), App().OwnerWindow());
    EXPECT_EQ(::GetParent(App().OwnerWindow()), nullptr);
    char text[64] = {};
    ::GetWindowTextA(App().OwnerWindow(), text, sizeof text);
    EXPECT_EQ(std::string(text), App().Title());
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
