#include "FakeShell.h"

#include <utility>

namespace qm::win::test {

namespace {

constexpr GUID kFmtidSummaryInformation = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};

enum : DISPID { kNameSpace = 1, kParseName = 2, kGetDetailsOf = 3, kExtendedProperty = 4 };

class FakeObject;

// The shell-folder side of a fake folder: only MapColumnToSCID answers.
class FakeColumns final : public IShellFolder2 {
  public:
    explicit FakeColumns(FakeShell& shell) : shell_(shell) { ++shell_.liveObjects; }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IShellFolder || riid == IID_IShellFolder2) {
            *out = static_cast<IShellFolder2*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --refs_;
        if (n == 0) {
            --shell_.liveObjects;
            delete this;
        }
        return n;
    }

    STDMETHODIMP MapColumnToSCID(UINT column, SHCOLUMNID* id) override {
        if (static_cast<int>(column) >= shell_.columnCount) return E_INVALIDARG;
        if (static_cast<int>(column) == shell_.titleColumn) {
            id->fmtid = kFmtidSummaryInformation;
            id->pid = 2;
        } else {
            id->fmtid = kFmtidSummaryInformation;
            id->pid = 100 + column;  // some other property of the same set
        }
        return S_OK;
    }

    STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*,
                                  ULONG*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void**) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override { return E_NOTIMPL; }
    STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDefaultSearchGUID(GUID*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumSearches(IEnumExtraSearch**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDefaultColumn(DWORD, ULONG*, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDefaultColumnState(UINT, SHCOLSTATEF*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDetailsEx(PCUITEMID_CHILD, const SHCOLUMNID*, VARIANT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDetailsOf(PCUITEMID_CHILD, UINT, SHELLDETAILS*) override { return E_NOTIMPL; }

  private:
    FakeShell& shell_;
    ULONG refs_ = 1;
};

// A shell, folder or item object.
class FakeObject final : public IDispatch {
  public:
    enum class Kind { Shell, Folder, Item };

    FakeObject(FakeShell& shell, Kind kind, std::wstring folder = L"", std::wstring name = L"")
        : shell_(shell), kind_(kind), folder_(std::move(folder)), name_(std::move(name)) {
        ++shell_.liveObjects;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        if (kind_ == Kind::Folder && shell_.columnCount > 0 &&
            (riid == IID_IShellFolder || riid == IID_IShellFolder2)) {
            *out = static_cast<IShellFolder2*>(new FakeColumns(shell_));
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --refs_;
        if (n == 0) {
            --shell_.liveObjects;
            if (shell_.onRelease)
                shell_.onRelease(kind_ == Kind::Shell    ? "shell"
                                 : kind_ == Kind::Folder ? "folder"
                                                         : "item");
            delete this;
        }
        return n;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count != 1 || !names || !ids) return E_INVALIDARG;
        // Names are matched without regard to case, as automation does.
        if (kind_ == Kind::Shell && ::lstrcmpiW(names[0], L"NameSpace") == 0) {
            ids[0] = kNameSpace;
        } else if (kind_ == Kind::Folder && ::lstrcmpiW(names[0], L"ParseName") == 0) {
            ids[0] = kParseName;
        } else if (kind_ == Kind::Folder && ::lstrcmpiW(names[0], L"GetDetailsOf") == 0) {
            ids[0] = kGetDetailsOf;
        } else if (kind_ == Kind::Item && shell_.extendedProperty &&
                   ::lstrcmpiW(names[0], L"ExtendedProperty") == 0) {
            ids[0] = kExtendedProperty;
        } else {
            ids[0] = DISPID_UNKNOWN;
            return DISP_E_UNKNOWNNAME;
        }
        return S_OK;
    }

    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* info, UINT*) override {
        if (!params) return E_INVALIDARG;
        FakeCall call;
        call.method = id == kNameSpace ? "NameSpace" : id == kParseName ? "ParseName" : "?";
        if (id == kGetDetailsOf) call.method = "GetDetailsOf";
        if (id == kExtendedProperty) call.method = "ExtendedProperty";
        // DISPPARAMS holds the arguments last first.
        for (UINT i = params->cArgs; i > 0; --i)
            call.types.push_back(params->rgvarg[i - 1].vt);
        if (!(flags & DISPATCH_METHOD) || params->cNamedArgs != 0) {
            shell_.calls.push_back(call);
            return DISP_E_MEMBERNOTFOUND;
        }
        switch (id) {
            case kNameSpace:
                return NameSpace(call, params, result, info);
            case kParseName:
                return ParseName(call, params, result, info);
            case kGetDetailsOf:
                return GetDetailsOf(call, params, result, info);
            case kExtendedProperty:
                return ExtendedProperty(call, params, result, info);
            default:
                shell_.calls.push_back(call);
                return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    // Records the call, then answers the failure set up for it, if any.
    HRESULT Record(FakeCall call, const std::wstring& match, EXCEPINFO* info) {
        shell_.calls.push_back(std::move(call));
        const std::optional<FakeFailure>& f = shell_.failure;
        if (!f || f->method != shell_.calls.back().method) return S_OK;
        if (!f->match.empty() && f->match != match) return S_OK;
        if (f->description.empty() || !info) return f->code;
        *info = EXCEPINFO();
        info->scode = f->code;
        info->bstrDescription = ::SysAllocString(f->description.c_str());
        return DISP_E_EXCEPTION;
    }

    static void ReturnObject(VARIANT* result, IDispatch* object) {
        if (!result) {
            if (object) object->Release();
            return;
        }
        ::VariantInit(result);
        if (object) {
            result->vt = VT_DISPATCH;
            result->pdispVal = object;
        } else {
            result->vt = VT_NULL;
        }
    }

    // A call with one text argument (a folder, a file name): checked, recorded, and the text
    // handed back.
    HRESULT RecordTextCall(FakeCall& call, DISPPARAMS* params, EXCEPINFO* info,
                           std::wstring& text) {
        if (params->cArgs != 1) return Mismatch(call, DISP_E_BADPARAMCOUNT);
        const VARIANT& arg = params->rgvarg[0];
        if (arg.vt != VT_BSTR) return Mismatch(call, DISP_E_TYPEMISMATCH);
        call.text.assign(arg.bstrVal, ::SysStringLen(arg.bstrVal));
        text = call.text;
        return Record(std::move(call), text, info);
    }

    HRESULT NameSpace(FakeCall& call, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) {
        std::wstring folder;
        const HRESULT hr = RecordTextCall(call, params, info, folder);
        if (FAILED(hr)) return hr;
        ReturnObject(result, shell_.noFolderObject
                                 ? nullptr
                                 : new FakeObject(shell_, Kind::Folder, std::move(folder)));
        return S_OK;
    }

    HRESULT ParseName(FakeCall& call, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) {
        std::wstring name;
        const HRESULT hr = RecordTextCall(call, params, info, name);
        if (FAILED(hr)) return hr;
        ReturnObject(result, shell_.noItemObject
                                 ? nullptr
                                 : new FakeObject(shell_, Kind::Item, folder_, std::move(name)));
        return S_OK;
    }

    HRESULT GetDetailsOf(FakeCall& call, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) {
        if (params->cArgs != 2) return Mismatch(call, DISP_E_BADPARAMCOUNT);
        const VARIANT& itemArg = params->rgvarg[1];
        const VARIANT& columnArg = params->rgvarg[0];
        const VARIANT* itemValue = &itemArg;
        if (itemArg.vt == (VT_BYREF | VT_VARIANT)) itemValue = itemArg.pvarVal;
        if (!itemValue || itemValue->vt != VT_DISPATCH || columnArg.vt != VT_I4)
            return Mismatch(call, DISP_E_TYPEMISMATCH);
        auto* item = dynamic_cast<FakeObject*>(itemValue->pdispVal);
        if (!item || item->kind_ != Kind::Item) return Mismatch(call, DISP_E_TYPEMISMATCH);
        call.text = item->folder_ + item->name_;
        call.column = columnArg.lVal;
        std::wstring key = call.text;
        HRESULT hr = Record(std::move(call), item->name_, info);
        if (FAILED(hr)) return hr;
        const bool titleColumn = shell_.columnCount <= 0 || columnArg.lVal == shell_.titleColumn;
        ReturnText(result, titleColumn ? TitleOf(key) : shell_.otherDetail);
        return S_OK;
    }

    HRESULT ExtendedProperty(FakeCall& call, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info) {
        if (params->cArgs != 1) return Mismatch(call, DISP_E_BADPARAMCOUNT);
        const VARIANT& arg = params->rgvarg[0];
        if (arg.vt != VT_BSTR) return Mismatch(call, DISP_E_TYPEMISMATCH);
        call.text.assign(arg.bstrVal, ::SysStringLen(arg.bstrVal));
        const bool title = call.text == L"System.Title";
        HRESULT hr = Record(std::move(call), name_, info);
        if (FAILED(hr)) return hr;
        if (!title) return E_INVALIDARG;
        ReturnText(result, TitleOf(folder_ + name_));
        return S_OK;
    }

    std::wstring TitleOf(const std::wstring& path) const {
        auto found = shell_.titles.find(path);
        return found == shell_.titles.end() ? std::wstring() : found->second;
    }

    static void ReturnText(VARIANT* result, const std::wstring& text) {
        if (!result) return;
        ::VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = ::SysAllocString(text.c_str());
    }

    HRESULT Mismatch(FakeCall& call, HRESULT hr) {
        shell_.calls.push_back(std::move(call));
        return hr;
    }

    FakeShell& shell_;
    Kind kind_;
    std::wstring folder_, name_;
    ULONG refs_ = 1;
};

}  // namespace

ComPtr<IDispatch> FakeShell::NewShell() {
    ++shellsCreated;
    return ComPtr<IDispatch>::Attach(new FakeObject(*this, FakeObject::Kind::Shell));
}

std::vector<FakeCall> FakeShell::CallsOf(const std::string& method) const {
    std::vector<FakeCall> out;
    for (const FakeCall& c : calls)
        if (c.method == method) out.push_back(c);
    return out;
}

}  // namespace qm::win::test
