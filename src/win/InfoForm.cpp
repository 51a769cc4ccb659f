#include "win/InfoForm.h"

#include <iterator>

#include "core/PathPieces.h"
#include "win/framework/AnsiText.h"
#include "win/framework/App.h"
#include "win/framework/Layout.h"
#include "win/framework/Raii.h"
#include "win/OsNameWin.h"
#include "win/Readout.h"
#include "win/ShellServices.h"
#include "win/VersionInfo.h"

namespace qm::win {

namespace {

// The texts of the credit block.
const wchar_t kCredit[] = L"Written by the Quillmark developers";
const wchar_t kWebAddress[] = L"https://qm.example.org/";
const wchar_t kHandle[] = L"(quillmark-dev)";
const char kHandleAddress[] = "https://qm.example.org/dev/";
const wchar_t kMailAddress[] = L"quillmark@example.org";

// Fonts of the stored layout. The exe name is data in the ANSI code page and may need the
// system's double-byte glyphs, so its font takes the default character set; the fixed texts
// are ASCII and keep the window font's.
const FontSpec kWindowFont = {L"Arial", 13, ANSI_CHARSET, clWindowText, false, false};
const FontSpec kDescriptionFont = {L"Tahoma", 12, SHIFTJIS_CHARSET, clWindowText, false, false};
const FontSpec kExeNameFont = {L"Arial", 27, DEFAULT_CHARSET, clWindowText, false, false};
const FontSpec kLinkFont = {L"Arial", 13, ANSI_CHARSET, clNavy, false, true};
const FontSpec kActionFont = {L"Arial", 13, ANSI_CHARSET, clMaroon, false, true};
const FontSpec kSystemTitleFont = {L"Arial", 13, ANSI_CHARSET, clTeal, true, false};
const FontSpec kSystemFont = {L"Arial", 13, ANSI_CHARSET, clTeal, false, false};
const FontSpec kProcessTitleFont = {L"Arial", 13, ANSI_CHARSET, clGreen, true, false};
const FontSpec kProcessFont = {L"Arial", 13, ANSI_CHARSET, clGreen, false, false};

constexpr unsigned kLink = kTransparent | kHandCursor;

using F = TInfoForm;
using K = ControlKind;

// The stored layout, in declaration order. Positions of the controls on PnlBack are in the
// panel's client area; labels then size themselves to their text.
// clang-format off
const ControlRow kRows[] = {
//   name                    kind      parent     {left, top, width, height}  caption                                font                colour    flags                 tab  field                              handler                                 extra
    {"PnlBack",              K::Panel, nullptr,   {   8,   8,   329,    401}, nullptr,                               nullptr,            clParent, 0,                      0, FieldOf<&F::PnlBack>,              nullptr,                                BorderExtra(10)},
    {"AppIcon",              K::Image, "PnlBack", {   8,   8,    32,     32}, nullptr,                               nullptr,            clParent, 0,                     -1, FieldOf<&F::AppIcon>,              nullptr,                                {}},
    {"LblExeName",           K::Label, "PnlBack", {  56,  16,   152,     32}, L"LblExeName",                         &kExeNameFont,      clParent, kLink,                 -1, FieldOf<&F::LblExeName>,           HandlerOf<&F::LblExeNameClick>,         {}},
    {"lblComment",           K::Label, "PnlBack", {  56,  64,   261,     16}, kCredit,                               nullptr,            clParent, kTransparent,          -1, FieldOf<&F::lblComment>,           nullptr,                                {}},
    {"LblOsVersion",         K::Label, "PnlBack", {  16, 184,    78,     16}, L"LblOsVersion",                       &kSystemFont,       clParent, kTransparent,          -1, FieldOf<&F::LblOsVersion>,         nullptr,                                {}},
    {"LblPhys",              K::Label, "PnlBack", {  16, 200,    47,     16}, L"LblPhys",                            &kSystemFont,       clParent, kTransparent,          -1, FieldOf<&F::LblPhys>,              nullptr,                                {}},
    {"LblExeVersion",        K::Label, "PnlBack", {  56,  48,    84,     16}, L"LblExeVersion",                      nullptr,            clParent, kTransparent,          -1, FieldOf<&F::LblExeVersion>,        nullptr,                                {}},
    {"lblURL",               K::Label, "PnlBack", {  56,  88,   160,     16}, kWebAddress,                           &kLinkFont,         clParent, kLink | kTextVCenter,  -1, FieldOf<&F::lblURL>,               HandlerOf<&F::lblURLClick>,             {}},
    {"lblMail",              K::Label, "PnlBack", {  56, 104,    87,     16}, kMailAddress,                          &kLinkFont,         clParent, kLink | kTextVCenter,  -1, FieldOf<&F::lblMail>,              HandlerOf<&F::lblMailClick>,            {}},
    {"LblLaunchOnStartup",   K::Label, "PnlBack", { 104, 216,   172,     16}, L"Create Shortcut into \"Startup\"",   &kActionFont,       clParent, kLink | kHidden,       -1, FieldOf<&F::LblLaunchOnStartup>,   HandlerOf<&F::LblLaunchOnStartupClick>, {}},
    {"LblOpenStartup",       K::Label, "PnlBack", { 288, 216,    39,     16}, L"(Open)",                             &kActionFont,       clParent, kLink | kHidden,       -1, FieldOf<&F::LblOpenStartup>,       HandlerOf<&F::LblOpenStartupClick>,     {}},
    {"LblLaunchOnDesktop",   K::Label, "PnlBack", {  56, 144,   171,     16}, L"Create Shortcut on \"Desktop\"",     &kActionFont,       clParent, kLink,                 -1, FieldOf<&F::LblLaunchOnDesktop>,   HandlerOf<&F::LblLaunchOnStartupClick>, {}},
    {"LblOpenFolderIn",      K::Label, "PnlBack", {  56, 128,   204,     16}, L"Open Folder This Program Installed", &kActionFont,       clParent, kLink,                 -1, FieldOf<&F::LblOpenFolderIn>,      HandlerOf<&F::LblOpenStartupClick>,     {}},
    {"LblLaunchOnSendTo",    K::Label, "PnlBack", { 104, 232,   174,     16}, L"Create Shortcut into \"SendTo\"",    &kActionFont,       clParent, kLink | kHidden,       -1, FieldOf<&F::LblLaunchOnSendTo>,    HandlerOf<&F::LblLaunchOnStartupClick>, {}},
    {"LblOpenSendTo",        K::Label, "PnlBack", { 288, 232,    39,     16}, L"(Open)",                             &kActionFont,       clParent, kLink | kHidden,       -1, FieldOf<&F::LblOpenSendTo>,        HandlerOf<&F::LblOpenStartupClick>,     {}},
    {"Label1",               K::Label, "PnlBack", { 224,  88,    86,     16}, kHandle,                               &kLinkFont,         clParent, kLink | kTextVCenter,  -1, FieldOf<&F::Label1>,               HandlerOf<&F::Label1Click>,             {}},
    {"LblFileDescription",   K::Label, "PnlBack", {  56,   6,    92,     14}, L"LblFileDescription",                 &kDescriptionFont,  clParent, 0,                     -1, FieldOf<&F::LblFileDescription>,   nullptr,                                {}},
    {"Label2",               K::Label, "PnlBack", {   8, 168,   123,     16}, L"System Information",                 &kSystemTitleFont,  clWhite,  0,                     -1, FieldOf<&F::Label2>,               nullptr,                                {}},
    {"Label3",               K::Label, "PnlBack", {   8, 248,   126,     16}, L"Process Information",                &kProcessTitleFont, clParent, 0,                     -1, FieldOf<&F::Label3>,               nullptr,                                {}},
    {"LblPageFile",          K::Label, "PnlBack", {  16, 216,    68,     16}, L"LblPageFile",                        &kSystemFont,       clParent, kTransparent,          -1, FieldOf<&F::LblPageFile>,          nullptr,                                {}},
    {"LblVirtual",           K::Label, "PnlBack", {  16, 232,    54,     16}, L"LblVirtual",                         &kSystemFont,       clParent, kTransparent,          -1, FieldOf<&F::LblVirtual>,           nullptr,                                {}},
    {"LblWorkingSetSize",    K::Label, "PnlBack", {  16, 264,   111,     16}, L"LblWorkingSetSize",                  &kProcessFont,      clParent, 0,                     -1, FieldOf<&F::LblWorkingSetSize>,    nullptr,                                {}},
    {"LblPageFaultCount",    K::Label, "PnlBack", {  16, 280,   110,     16}, L"LblPageFaultCount",                  &kProcessFont,      clParent, 0,                     -1, FieldOf<&F::LblPageFaultCount>,    nullptr,                                {}},
    {"LblPagefileUsage",     K::Label, "PnlBack", {  16, 296,   100,     16}, L"LblPagefileUsage",                   &kProcessFont,      clParent, 0,                     -1, FieldOf<&F::LblPagefileUsage>,     nullptr,                                {}},
    {"LblPagedPoolUsage",    K::Label, "PnlBack", {  16, 312,   117,     16}, L"LblPagedPoolUsage",                  &kProcessFont,      clParent, 0,                     -1, FieldOf<&F::LblPagedPoolUsage>,    nullptr,                                {}},
    {"LblNonPagedPoolUsage", K::Label, "PnlBack", {  16, 328,   140,     16}, L"LblNonPagedPoolUsage",               &kProcessFont,      clParent, 0,                     -1, FieldOf<&F::LblNonPagedPoolUsage>, nullptr,                                {}},
    {"Timer1",               K::Timer, nullptr,   {   0,   0,     0,      0}, nullptr,                               nullptr,            clParent, 0,                     -1, FieldOf<&F::Timer1>,               HandlerOf<&F::Timer1Timer>,             IntervalExtra(500)},
    {"LblProcessTime",       K::Label, "PnlBack", {  16, 344,    93,     16}, L"LblProcessTime",                     &kProcessFont,      clParent, 0,                     -1, FieldOf<&F::LblProcessTime>,       nullptr,                                {}},
};
// clang-format on

// clang-format off
const FormDef kInfoFormDef = {
    "InfoForm", L"TInfoForm", L"InfoForm",  // name, window class, caption
    256, 158, 357, 423,                     // left, top, client width, height
    FormBorder::Dialog, clWhite,            // border, colour
    kWindowFont,                            // font
    true,                                   // key preview
    kRows, std::size(kRows),
};
// clang-format on

// The readout labels in the order of the readout's lines.
Label TInfoForm::*const kReadoutLabels[kReadoutLineCount] = {
    &F::LblPhys,           &F::LblPageFile,          &F::LblVirtual,
    &F::LblWorkingSetSize, &F::LblPageFaultCount,    &F::LblPagefileUsage,
    &F::LblPagedPoolUsage, &F::LblNonPagedPoolUsage, &F::LblProcessTime,
};

std::string ExeFileName() {
    return FileNamePiece(ExePath(), SystemLeadBytes());
}
std::string ExeBaseName() {
    return BaseNamePiece(ExePath(), SystemLeadBytes());
}
std::string ProgramFolder() {
    return FolderPiece(ExePath(), SystemLeadBytes());
}

}  // namespace

std::string OsLineText(const std::string& osName) {
    static const std::string kMaker = "Microsoft ";
    std::string line = osName;
    const std::size_t at = line.find(kMaker);
    if (at != std::string::npos) line.erase(at, kMaker.size());
    return line;
}

const FormDef& TInfoForm::Definition() const {
    return kInfoFormDef;
}

std::string TInfoForm::HintOf(const Control& control) const {
    return &control == &Label1 ? std::string(kHandleAddress) : std::string();
}

void TInfoForm::FormCreate(Form&) {
    SetCaptionWithVersion(*this);

    std::string description;
    GetVersionInfoString(VersionInfoKeys[2], ExePath(), description);  // "FileDescription"
    LblFileDescription.SetCaption(description);

    LblExeName.SetCaption(ExeFileName());

    if (HICON icon = App().MainIcon()) AppIcon.SetIcon(UniqueIcon(::CopyIcon(icon)));

    UpdateStatus();

    LblOsVersion.SetCaption(OsLineText(GetOSName()));

    std::string version;
    GetVersionInfoString(VersionInfoKeys[3], ExePath(), version);  // "FileVersion"
    LblExeVersion.SetCaption("Ver." + version);

    PnlBack.SetAutoSize(true);
    SetAutoSize(true);

    // Both fittings have taken effect, so the window is centred at its final size.
    CenterOnWorkArea();
}

void TInfoForm::UpdateStatus() {
    const ReadoutTexts texts = ReadReadout();
    for (std::size_t i = 0; i < kReadoutLineCount; ++i)
        (this->*kReadoutLabels[i]).SetCaption(texts[i]);
}

void TInfoForm::Timer1Timer(Control& Sender) {
    // Stopped while the refresh runs, so a slow refresh never piles up ticks; restarting it
    // begins a fresh period. An error leaves it stopped.
    auto& timer = static_cast<Timer&>(Sender);
    timer.SetEnabled(false);
    UpdateStatus();
    timer.SetEnabled(true);
}

void TInfoForm::CenterOnWorkArea() {
    RECT workArea = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    const RECT bounds = BoundsRect();
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    // Measured from the work area's own corner, so a taskbar on the left or at the top does not
    // push the window off centre.
    const int left = workArea.left + (workArea.right - workArea.left - width) / 2;
    const int top = workArea.top + (workArea.bottom - workArea.top - height) / 2;
    SetBounds(left, top, width, height);
}

void TInfoForm::lblURLClick(Control&) {
    ShellOpen(lblURL.CaptionAnsi(), "");
}

void TInfoForm::Label1Click(Control& Sender) {
    const std::string address = HintOf(Sender);
    if (!address.empty()) ShellOpen(address, "");
}

void TInfoForm::lblMailClick(Control&) {
    // Passed as it is: the blanks and brackets of the subject are not encoded.
    ShellOpen("MailTo:" + lblMail.CaptionAnsi() + "?subject=from [" + ExeFileName() + "] user", "");
}

void TInfoForm::LblExeNameClick(Control&) {
    ShowFileProperties(ExePath());
}

void TInfoForm::LblLaunchOnStartupClick(Control& Sender) {
    if (&Sender == &LblLaunchOnStartup)
        CreateShortcut(ExePath(), GetStartupFolder(), ExeBaseName());
    else if (&Sender == &LblLaunchOnDesktop)
        CreateShortcut(ExePath(), GetDesktopFolder(), ExeBaseName());
    else if (&Sender == &LblLaunchOnSendTo)
        CreateShortcut(ExePath(), GetSendToFolder(), ExeBaseName());
}

void TInfoForm::LblOpenStartupClick(Control& Sender) {
    if (&Sender == &LblOpenStartup)
        ShellOpen(GetStartupFolder(), "");
    else if (&Sender == &LblOpenFolderIn)
        ShellOpen(ProgramFolder(), "");
    else if (&Sender == &LblOpenSendTo)
        ShellOpen(GetSendToFolder(), "");
}

void TInfoForm::FormKeyDown(Form&, WORD&, ShiftState) {
    // Any key closes the window; the key itself is left as it came.
    Close();
}

void TInfoForm::FormShow(Form&) {
    // The taskbar button goes while the window is up; the framework shows the owner window
    // again when this window is destroyed.
    if (HWND owner = App().OwnerWindow()) ::ShowWindow(owner, SW_HIDE);
}

void TInfoForm::FormPaint(Form&, HDC Canvas) {
    // A black rectangle over the window's screen bounds taken as client coordinates, drawn with
    // the current pen; the brush is put back afterwards. PnlBack covers the whole client area
    // once fitted, so this shows only where the panel does not reach.
    const RECT bounds = BoundsRect();
    SelectGuard brush(Canvas, ::GetStockObject(BLACK_BRUSH));
    ::Rectangle(Canvas, bounds.left, bounds.top, bounds.right, bounds.bottom);
}

void TInfoForm::WMEraseBackground(LRESULT& result) {
    result = 0;
}

bool TInfoForm::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg == WM_ERASEBKGND) {
        WMEraseBackground(result);
        return true;
    }
    return false;
}

void ShowInfoForm() {
    // The deleter destroys and frees the window on every way out, also when showing raises.
    FormPtr<TInfoForm> form = Form::New<TInfoForm>();
    App().RunModal(*form);
}

}  // namespace qm::win
