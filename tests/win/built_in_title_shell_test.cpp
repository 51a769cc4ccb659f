// The built-in title shell driven exactly as the scanner drives the system's shell object:
// names resolved with GetIDsOfNames, methods called with Invoke, on real files.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "win/framework/AnsiText.h"
#include "win/framework/Raii.h"
#include "win/BuiltInTitleShell.h"
#include "win/TitleQuery.h"

#include "WinTestSupport.h"

namespace qm::win {
namespace {

using test::Bytes;
using test::MatroskaWithTitle;
using test::Utf8;

class TitleShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ =
            std::wstring(temp) + L"qm-title-shell-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        folder_ += L"\\";
        shell_ = CreateBuiltInTitleShell();
    }
    void TearDown() override {
        for (const auto& f : files_)
            ::DeleteFileW(f.c_str());
        ::RemoveDirectoryW(folder_.c_str());
        shell_.Reset();
        ::CoUninitialize();
    }

    void Write(const std::wstring& name, const Bytes& bytes) {
        const std::wstring path = folder_ + name;
        UniqueFile f(
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f.Valid());
        DWORD written = 0;
        ::WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        files_.push_back(path);
    }

    static DISPID Id(IDispatch* object, const wchar_t* name) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
        return id;
    }

    // Invokes a method; args are given in call order and passed reversed, as COM wants.
    static HRESULT Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args,
                        VARIANT* result) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        EXCEPINFO info = {};
        UINT argErr = 0;
        return object->Invoke(Id(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                              &params, result, &info, &argErr);
    }

    static VARIANT Text(const Bstr& b) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = b.Get();
        return v;
    }
    static VARIANT Integer(long n) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = n;
        return v;
    }

    // NameSpace, ParseName and GetDetailsOf in the scanner's order, the item by reference.
    std::wstring TitleOf(const std::wstring& name) {
        Bstr folderText(folder_.c_str());
        Variant folder;
        EXPECT_EQ(S_OK, Call(shell_.Get(), L"NameSpace", {Text(folderText)}, folder.Get()));
        EXPECT_EQ(VT_DISPATCH, folder->vt);
        Bstr nameText(name.c_str());
        Variant item;
        EXPECT_EQ(S_OK, Call(folder->pdispVal, L"ParseName", {Text(nameText)}, item.Get()));
        VARIANT byRef;
        ::VariantInit(&byRef);
        byRef.vt = VT_BYREF | VT_VARIANT;
        byRef.pvarVal = item.Get();
        Variant detail;
        EXPECT_EQ(S_OK,
                  Call(folder->pdispVal, L"GetDetailsOf", {byRef, Integer(10)}, detail.Get()));
        EXPECT_EQ(VT_BSTR, detail->vt);
        return detail->vt == VT_BSTR
                   ? std::wstring(detail->bstrVal, ::SysStringLen(detail->bstrVal))
                   : L"?";
    }

    std::wstring folder_;
    std::vector<std::wstring> files_;
    ComPtr<IDispatch> shell_;
};

TEST_F(TitleShellTest, AnswersTheContainerTitleAndEmptyWithoutOne) {
    Write(L"titled.mkv", MatroskaWithTitle("\xE6\x97\xA5\xE6\x9C\xAC Title"));  // 日本 Title
    Write(L"plain.txt", Utf8("just some text, no container"));
    Write(L"truncated.mkv", Bytes{0x1A, 0x45, 0xDF, 0xA3, 0x88, 0x42});
    EXPECT_EQ(L"\u65E5\u672C Title", TitleOf(L"titled.mkv"));
    EXPECT_EQ(L"", TitleOf(L"plain.txt"));
    EXPECT_EQ(L"", TitleOf(L"truncated.mkv"));
    EXPECT_EQ(L"", TitleOf(L"missing.mkv"));
}

// The scanner asks a shell for the Title by the column its folders name, by the item's
// ExtendedProperty, or by column 10 on 2000 and XP; the built-in shell must answer whichever
// way this system's generation takes.
TEST_F(TitleShellTest, AnswersTheScannersQuestionOnEverySystem) {
    Write(L"titled.mkv", MatroskaWithTitle("A Title"));
    for (ShellGeneration generation : {ShellGeneration::Classic, ShellGeneration::PropertySystem}) {
        SetShellGenerationForTests(generation);
        const ShellTitleAnswer answer =
            AskShellTitle(shell_.Get(), WideToAnsi(folder_.c_str()), "titled.mkv");
        EXPECT_EQ(answer.kind, ShellTitleAnswer::Title) << static_cast<int>(generation);
        EXPECT_EQ(answer.text, "A Title");
    }
    SetShellGenerationForTests(std::nullopt);
}

TEST_F(TitleShellTest, RejectsUnknownNamesAndWrongArgumentTypes) {
    DISPID id = 0;
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Items")};
    EXPECT_EQ(DISP_E_UNKNOWNNAME,
              shell_->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);

    Variant none;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(shell_.Get(), L"NameSpace", {Integer(5)}, none.Get()));

    Bstr folderText(folder_.c_str());
    Variant folder;
    ASSERT_EQ(S_OK, Call(shell_.Get(), L"NameSpace", {Text(folderText)}, folder.Get()));
    Variant item;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(folder->pdispVal, L"ParseName", {Integer(1)}, item.Get()));
    Bstr nameText(L"x.mkv");
    ASSERT_EQ(S_OK, Call(folder->pdispVal, L"ParseName", {Text(nameText)}, item.Get()));
    Variant detail;
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              Call(folder->pdispVal, L"GetDetailsOf", {*item.Get(), Text(nameText)}, detail.Get()));
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              Call(folder->pdispVal, L"GetDetailsOf", {Text(nameText), Integer(10)}, detail.Get()));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              Call(folder->pdispVal, L"GetDetailsOf", {Integer(10)}, detail.Get()));
}

}  // namespace
}  // namespace qm::win
