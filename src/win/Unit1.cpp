#include "win/Unit1.h"

#include <algorithm>

#include "win/CandidateList.h"
#include "win/DropMessages.h"
#include "win/framework/App.h"
#include "win/framework/Layout.h"
#include "win/framework/ListView.h"
#include "win/Info.h"
#include "win/Rename.h"
#include "win/Scanner.h"

namespace qm::win {

namespace {

// "ＭＳ ゴシック": full-width M and S, an ASCII space, then katakana.
const wchar_t kGothic[] = L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";

const FontSpec kRedBold = {kGothic, 13, SHIFTJIS_CHARSET, clRed, true, false};
const FontSpec kListFont = {kGothic, 12, SHIFTJIS_CHARSET, clWindowText, false, false};

// The candidate list's columns: header, width and minimum width.
// clang-format off
constexpr auto kColumns = PerCandidateColumn<ColumnDef>([](CandidateColumn column) -> ColumnDef {
    switch (column) {
        case CandidateColumn::Title:     return {L"新しい名前", 100, 100};
        case CandidateColumn::BaseName:  return {L"元の名前", 100, 100};
        case CandidateColumn::Extension: return {L"拡張子", 50, 50};
        case CandidateColumn::Folder:    return {L"フォルダ", 100, 100};
    }
    return {};
});
// clang-format on

template <auto M>
constexpr auto F = &FieldOf<M>;
template <auto M>
constexpr auto H = &HandlerOf<M>;

using K = ControlKind;

// Declaration order; labels are drawn in it. Positions are in the client area of the parent.
// clang-format off
const ControlRow kRows[] = {
//   name       kind         parent    {left, top, width, height}  caption                                                                     font        colour    flags         tab  field                handler                   extra
    {"Panel1",  K::Panel,    nullptr,  {   0,   0,   562,    249}, nullptr,                                                                    nullptr,    clParent, kAlignTop,      0, F<&TForm1::Panel1>,  nullptr,                  BorderExtra(0)},
    {"Edit1",   K::Edit,     "Panel1", {   8,  24,    41,     21}, L"2",                                                                       nullptr,    clParent, 0,              0, F<&TForm1::Edit1>,   nullptr,                  {}},
    {"UpDown1", K::UpDown,   "Panel1", {  49,  24,    15,     21}, nullptr,                                                                    nullptr,    clParent, 0,              1, F<&TForm1::UpDown1>, nullptr,                  UpDownExtra(0, 10, 2, "Edit1")},
    {"Label1",  K::Label,    "Panel1", {   8,   8,    56,     13}, L"階層制限",                                                                nullptr,    clParent, 0,             -1, F<&TForm1::Label1>,  nullptr,                  {}},
    {"LView",   K::ListView, nullptr,  {   0, 249,   562,    150}, nullptr,                                                                    &kListFont, clParent, kAlignClient,   1, F<&TForm1::LView>,   nullptr,                  ColumnsExtra(kColumns)},
    {"Button1", K::Button,   "Panel1", {  80,  16,   233,     25}, L"チェックしたファイルを名称変更",                                          nullptr,    clParent, 0,              2, F<&TForm1::Button1>, H<&TForm1::Button1Click>, {}},
    {"Button2", K::Button,   "Panel1", { 320,  16,   113,     25}, L"リストクリア",                                                            nullptr,    clParent, 0,              3, F<&TForm1::Button2>, H<&TForm1::Button2Click>, {}},
    {"Button3", K::Button,   "Panel1", { 440,  16,   113,     25}, L"バージョン情報",                                                          nullptr,    clParent, 0,              4, F<&TForm1::Button3>, H<&TForm1::Button3Click>, {}},
    {"Label2",  K::Label,    "Panel1", {  16,  56,   376,     13}, L"1)フォルダやファイルをドラッグアンドドロップします",                      &kRedBold,  clParent, 0,             -1, F<&TForm1::Label2>,  nullptr,                  {}},
    {"Label3",  K::Label,    "Panel1", {  32,  88,   252,     13}, L"※チェックをはずすと名称変更しません",                                     nullptr,    clParent, 0,             -1, F<&TForm1::Label3>,  nullptr,                  {}},
    {"Label4",  K::Label,    "Panel1", {  32, 104,   448,     13}, L"※ファイル名が気に入らない場合は「新しい名前」を直接書き換えます",         nullptr,    clParent, 0,             -1, F<&TForm1::Label4>,  nullptr,                  {}},
    {"Label5",  K::Label,    "Panel1", {  16, 160,   421,     13}, L"2)納得したら「チェックしたファイルを名称変更」をクリック",                &kRedBold,  clParent, 0,             -1, F<&TForm1::Label5>,  nullptr,                  {}},
    {"Label6",  K::Label,    "Panel1", {  32, 176,   126,     13}, L"※元には戻りません",                                                       nullptr,    clParent, 0,             -1, F<&TForm1::Label6>,  nullptr,                  {}},
    {"Label7",  K::Label,    "Panel1", {  32, 192,   448,     13}, L"※既存ファイルと名前があたる場合は、適当に連番をつけてずらします",         nullptr,    clParent, 0,             -1, F<&TForm1::Label7>,  nullptr,                  {}},
    {"Label8",  K::Label,    "Panel1", {  32, 208,   280,     13}, L"※変更したファイルはリストから削除します",                                 nullptr,    clParent, 0,             -1, F<&TForm1::Label8>,  nullptr,                  {}},
    {"Label9",  K::Label,    "Panel1", {  32, 224,   504,     13}, L"※ファイル名に使えない文字が入っている場合などはそのままリストに残ります", nullptr,    clParent, 0,             -1, F<&TForm1::Label9>,  nullptr,                  {}},
    {"Label10", K::Label,    "Panel1", {  32,  72,   434,     13}, L"※フォルダドロップ時の階層掘り下げは「階層制限」で制限できます",           nullptr,    clParent, 0,             -1, F<&TForm1::Label10>, nullptr,                  {}},
    {"Label11", K::Label,    "Panel1", {  32, 120,   357,     13}, L"※「新しい名前」は「Title」プロパティの値になります",                      nullptr,    clParent, 0,             -1, F<&TForm1::Label11>, nullptr,                  {}},
    {"Label12", K::Label,    "Panel1", {  32, 136,   483,     13}, L"※「Title」なし/すでにファイル名が「Title」に同じ場合はリストしません",    nullptr,    clParent, 0,             -1, F<&TForm1::Label12>, nullptr,                  {}},
};
// clang-format on

}  // namespace

const FormDef& TForm1::Layout() {
    // clang-format off
    static const FormDef def = {
        "Form1", L"TForm1", L"Form1",                                  // name, window class, caption
        192, 107, 562, 399,                                            // left, top, client width, height
        FormBorder::Sizeable, clBtnFace,                               // border, colour
        {kGothic, 13, SHIFTJIS_CHARSET, clWindowText, false, false},  // font
        false,                                                         // key preview
        kRows, sizeof kRows / sizeof kRows[0],
    };
    // clang-format on
    return def;
}

void TForm1::CreateParams(CreateParamsRec& params) const {
    Form::CreateParams(params);
    // A target for files dropped from the shell, for every window made for the form.
    params.exStyle |= WS_EX_ACCEPTFILES;
}

bool TForm1::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_DROPFILES) return false;
    WMDropFiles(reinterpret_cast<HDROP>(wParam));
    result = 0;
    return true;
}

void TForm1::OnCreate() {
    // Drops from the shell reach the window also when the program runs as administrator.
    AllowDropMessages(Handle());
    // What the shell shows for the about window's links is owned by this window.
    SetShellOwnerWindows(Handle(), App().OwnerWindow());
    FormCreate(*this);
}

void TForm1::OnDestroy() {
    SetShellOwnerWindows(nullptr, nullptr);
}

void TForm1::FormCreate(Form&) {
    SetCaptionWithVersion(*this);
}

void TForm1::Button1Click(Control&) {
    // The rows are deleted one at a time with the list's redrawing suspended; the handler pumps
    // no messages, so nothing would be painted between two of them anyway.
    const RedrawSuspended suspended(LView.View());
    RenameCheckedRows(CandidateList(LView.View()));
}

void TForm1::Button2Click(Control&) {
    // The rows go; the columns keep their widths.
    CandidateList(LView.View()).Clear();
}

void TForm1::Button3Click(Control&) {
    ShowInfoForm();
}

void TForm1::AddPath(const std::string& path, int depth) {
    ScanPath(ScanTarget{CandidateList(LView.View()),
                        [this] { return static_cast<int>(UpDown1.Position()); }},
             path, depth);
}

void TForm1::WMDropFiles(HDROP drop) {
    App().SetAppCursor(crHourGlass);
    // Released and the cursor back to normal on every way out, so a failed item leaves neither
    // the drop held nor the hourglass showing while its error is displayed.
    struct Release {
        HDROP drop;
        ~Release() {
            ::DragFinish(drop);
            App().SetAppCursor(crDefault);
        }
    } release{drop};
    // The rows are appended one at a time with the list's redrawing suspended, and the list is
    // repainted once on the way out, also when an item fails.
    const RedrawSuspended suspended(LView.View());

    char path[261];
    const UINT count = ::DragQueryFileA(drop, 0xFFFFFFFFu, path, sizeof path);
    for (UINT i = 0; i < count; ++i) {
        path[0] = '\0';
        ::DragQueryFileA(drop, i, path, sizeof path);
        path[sizeof path - 1] = '\0';
        AddPath(std::string(path, std::find(path, path + sizeof path, '\0')), 0);
    }
}

}  // namespace qm::win
