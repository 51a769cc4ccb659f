#include "win/TitleQuery.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "win/framework/AnsiText.h"
#include "win/framework/ComError.h"
#include "win/framework/Raii.h"
#include "win/OsNameWin.h"

namespace qm::win {

namespace {

// The summary information property set {F29F85E0-4FF9-1068-AB91-08002B27B3D9}; its PID 2 is
// the Title (PKEY_Title).
constexpr GUID kFmtidSummaryInformation = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};
constexpr DWORD kPidTitle = 2;

// A shell folder has a few hundred columns at most; the search stops here even if an object
// keeps answering.
constexpr UINT kMaxColumns = 4096;

// Fills a variant with a BSTR holding the ANSI text converted to UTF-16.
void SetText(Variant& v, const std::string& text) {
    std::wstring wide = AnsiToWide(text);
    BSTR b = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!b) throw ComError(E_OUTOFMEMORY);
    v.Clear();
    v->vt = VT_BSTR;
    v->bstrVal = b;
}

// The object a method returned, or null when it returned none.
IDispatch* DispatchOf(const Variant& v) {
    return v.Get()->vt == VT_DISPATCH ? v.Get()->pdispVal : nullptr;
}

// The detail as narrow text; an answer that is no text and cannot become one counts as empty.
std::string TextOf(Variant& v) {
    VARIANT* p = v.Get();
    if (p->vt == VT_EMPTY || p->vt == VT_NULL) return std::string();
    if (p->vt != VT_BSTR && FAILED(::VariantChangeType(p, p, 0, VT_BSTR))) return std::string();
    if (p->vt != VT_BSTR || !p->bstrVal) return std::string();
    return WideToAnsi(p->bstrVal, static_cast<int>(::SysStringLen(p->bstrVal)));
}

std::optional<ShellGeneration>& GenerationForTests() {
    static std::optional<ShellGeneration> generation;
    return generation;
}

// The Title through the item's ExtendedProperty, or nothing when the item does not answer it.
std::optional<std::string> ExtendedTitle(IDispatch* item) {
    Variant arg, answer;
    SetText(arg, "System.Title");
    try {
        InvokeMethod(item, L"ExtendedProperty", arg.Get(), 1, answer.Get());
    } catch (const ComError&) {
        return std::nullopt;
    }
    return TextOf(answer);
}

}  // namespace

ShellGeneration SystemShellGeneration() {
    if (const std::optional<ShellGeneration>& forced = GenerationForTests()) return *forced;
    static const ShellGeneration generation = [] {
        // Major version 5 is 2000, XP and Server 2003; the program starts on nothing older.
        OsVersionRecord version;
        if (SystemOsProbe().ReadVersion(version, false) && version.major < 6)
            return ShellGeneration::Classic;
        return ShellGeneration::PropertySystem;
    }();
    return generation;
}

void SetShellGenerationForTests(std::optional<ShellGeneration> generation) {
    GenerationForTests() = generation;
}

void InvokeMethod(IDispatch* object, const wchar_t* name, VARIANTARG* args, UINT count,
                  VARIANT* result) {
    if (!object) throw ComError(E_POINTER);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    OleCheck(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));

    // DISPPARAMS holds the arguments last first. The copies are shallow: the caller keeps
    // ownership of what they point to.
    std::vector<VARIANTARG> reversed(args, args + count);
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params = {};
    params.rgvarg = count ? reversed.data() : nullptr;
    params.cArgs = count;

    EXCEPINFO info = {};
    UINT argError = 0;
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                                &info, &argError);
    if (FAILED(hr)) ThrowInvokeError(hr, info);
}

std::optional<int> TitleColumnOf(IShellFolder2* folder, bool* numbered) {
    if (numbered) *numbered = false;
    if (!folder) return std::nullopt;
    for (UINT column = 0; column < kMaxColumns; ++column) {
        SHCOLUMNID id = {};
        if (folder->MapColumnToSCID(column, &id) != S_OK) break;  // past the last column
        if (numbered) *numbered = true;
        if (::IsEqualGUID(id.fmtid, kFmtidSummaryInformation) && id.pid == kPidTitle)
            return static_cast<int>(column);
    }
    return std::nullopt;
}

std::optional<int> TitleColumnOfFolderObject(IDispatch* folderObject, bool* numbered) {
    if (numbered) *numbered = false;
    if (!folderObject) return std::nullopt;
    ComPtr<IShellFolder2> folder;
    if (SUCCEEDED(folderObject->QueryInterface(IID_IShellFolder2, folder.PutVoid())) && folder)
        return TitleColumnOf(folder.Get(), numbered);

    ComPtr<IPersistFolder2> persist;
    if (FAILED(folderObject->QueryInterface(IID_IPersistFolder2, persist.PutVoid())) || !persist)
        return std::nullopt;
    LPITEMIDLIST raw = nullptr;
    if (FAILED(persist->GetCurFolder(&raw)) || !raw) return std::nullopt;
    UniqueCoTaskMem pidl(raw);

    ComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.Put())) || !desktop) return std::nullopt;
    HRESULT hr = raw->mkid.cb == 0  // the desktop itself
                     ? desktop->QueryInterface(IID_IShellFolder2, folder.PutVoid())
                     : desktop->BindToObject(raw, nullptr, IID_IShellFolder2, folder.PutVoid());
    if (FAILED(hr) || !folder) return std::nullopt;
    return TitleColumnOf(folder.Get(), numbered);
}

ShellTitleAnswer AskShellTitle(IDispatch* shell, const std::string& folder,
                               const std::string& fileName, ShellTitleObjects& objects) {
    if (!shell) throw ComError(E_POINTER);

    {
        Variant arg;
        SetText(arg, folder);
        InvokeMethod(shell, L"NameSpace", arg.Get(), 1, objects.folder.Get());
    }
    IDispatch* folderDispatch = DispatchOf(objects.folder);
    if (!folderDispatch) return ShellTitleAnswer{};
    bool numbered = false;
    std::optional<int> column = TitleColumnOfFolderObject(folderDispatch, &numbered);

    {
        Variant arg;
        SetText(arg, fileName);
        InvokeMethod(folderDispatch, L"ParseName", arg.Get(), 1, objects.item.Get());
    }
    IDispatch* item = DispatchOf(objects.item);
    if (!item) return ShellTitleAnswer{};

    if (!column) {
        if (SystemShellGeneration() == ShellGeneration::PropertySystem) {
            if (std::optional<std::string> title = ExtendedTitle(item))
                return ShellTitleAnswer{ShellTitleAnswer::Title, std::move(*title)};
        } else if (!numbered) {
            column = kClassicTitleColumn;
        }
    }
    if (!column) return ShellTitleAnswer{ShellTitleAnswer::TitleUnnamed, std::string()};

    VARIANTARG args[2];
    ::VariantInit(&args[0]);
    args[0].vt = VT_BYREF | VT_VARIANT;
    args[0].pvarVal = objects.item.Get();
    ::VariantInit(&args[1]);
    args[1].vt = VT_I4;
    args[1].lVal = *column;
    Variant answer;
    InvokeMethod(folderDispatch, L"GetDetailsOf", args, 2, answer.Get());
    return ShellTitleAnswer{ShellTitleAnswer::Title, TextOf(answer)};
}

ShellTitleAnswer AskShellTitle(IDispatch* shell, const std::string& folder,
                               const std::string& fileName) {
    ShellTitleObjects objects;
    return AskShellTitle(shell, folder, fileName, objects);
}

std::string ReadShellTitle(IDispatch* shell, const std::string& folder, const std::string& fileName,
                           ShellTitleObjects& objects) {
    return AskShellTitle(shell, folder, fileName, objects).text;
}

std::string ReadShellTitle(IDispatch* shell, const std::string& folder,
                           const std::string& fileName) {
    ShellTitleObjects objects;
    return ReadShellTitle(shell, folder, fileName, objects);
}

}  // namespace qm::win
