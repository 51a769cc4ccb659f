#include "win/BuiltInTitleShell.h"

#include <cwchar>
#include <new>
#include <string>
#include <utility>

#include "media/TitleReader.h"
#include "win/framework/AnsiText.h"
#include "win/Win32FileSource.h"

namespace qm::win {

namespace {

// Lets a folder object recognise item objects of its own among the dispatch pointers it is
// handed. {6C1F9A2E-5B8D-4E71-9C3A-2F0D8B4E7A11}
const IID IID_TitleShellItem = {
    0x6c1f9a2e, 0x5b8d, 0x4e71, {0x9c, 0x3a, 0x2f, 0x0d, 0x8b, 0x4e, 0x7a, 0x11}};

constexpr DISPID kNameSpace = 1;
constexpr DISPID kParseName = 2;
constexpr DISPID kGetDetailsOf = 3;
constexpr DISPID kExtendedProperty = 4;

std::u16string DecodeAnsi(std::string_view bytes) {
    const std::wstring w = AnsiToWide(bytes);
    return std::u16string(w.begin(), w.end());
}

// Arguments arrive by value or by reference to a variant; both name the same value.
const VARIANT& Deref(const VARIANT& v) {
    if (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal) return *v.pvarVal;
    return v;
}

bool ArgAsText(const VARIANT& arg, std::wstring& out) {
    const VARIANT& v = Deref(arg);
    if (v.vt == VT_BSTR) {
        out.assign(v.bstrVal ? v.bstrVal : L"", v.bstrVal ? ::SysStringLen(v.bstrVal) : 0);
        return true;
    }
    if (v.vt == (VT_BYREF | VT_BSTR) && v.pbstrVal) {
        BSTR b = *v.pbstrVal;
        out.assign(b ? b : L"", b ? ::SysStringLen(b) : 0);
        return true;
    }
    return false;
}

bool ArgAsInteger(const VARIANT& arg, long& out) {
    const VARIANT& v = Deref(arg);
    switch (v.vt) {
        case VT_I4:
            out = v.lVal;
            return true;
        case VT_INT:
            out = v.intVal;
            return true;
        case VT_I2:
            out = v.iVal;
            return true;
        case VT_UI2:
            out = v.uiVal;
            return true;
        case VT_UI1:
            out = v.bVal;
            return true;
        case VT_I1:
            out = v.cVal;
            return true;
        default:
            return false;
    }
}

IDispatch* ArgAsDispatch(const VARIANT& arg) {
    const VARIANT& v = Deref(arg);
    if (v.vt == VT_DISPATCH) return v.pdispVal;
    if (v.vt == (VT_BYREF | VT_DISPATCH) && v.ppdispVal) return *v.ppdispVal;
    return nullptr;
}

// The shared plumbing of the three automation objects: reference counting, name lookup and
// argument checks; each object implements its methods in Call().
class DispatchObject : public IDispatch {
  public:
    virtual ~DispatchObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, OwnIid())) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(::InterlockedIncrement(&refs_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!names || !ids) return E_POINTER;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = i == 0 && names[i] ? Lookup(names[i]) : DISPID_UNKNOWN;
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT* argErr) override {
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
        DISPPARAMS none = {};
        if (!params) params = &none;
        if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        if (params->cArgs != 0 && !params->rgvarg) return E_INVALIDARG;
        // No exception may leave a COM method.
        try {
            Variant answer;
            const HRESULT hr = Call(id, *params, *answer.Get(), argErr);
            if (SUCCEEDED(hr) && result) {
                ::VariantInit(result);
                *result = *answer.Get();
                answer.Get()->vt = VT_EMPTY;  // ownership moved to the caller
            }
            return hr;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
    }

  protected:
    virtual const IID& OwnIid() const { return IID_IDispatch; }
    virtual DISPID Lookup(const wchar_t* name) const = 0;
    // Arguments are in DISPPARAMS order: the last argument first.
    virtual HRESULT Call(DISPID id, const DISPPARAMS& params, VARIANT& answer, UINT* argErr) = 0;

    static HRESULT Mismatch(UINT* argErr, UINT index) {
        if (argErr) *argErr = index;
        return DISP_E_TYPEMISMATCH;
    }

  private:
    LONG refs_ = 1;
};

bool NameIs(const wchar_t* name, const wchar_t* expected) {
    return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name, -1, expected, -1) ==
           CSTR_EQUAL;
}

// A Title as a BSTR answer.
HRESULT AnswerText(const std::wstring& text, VARIANT& answer) {
    answer.vt = VT_BSTR;
    answer.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!answer.bstrVal) {
        answer.vt = VT_EMPTY;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

// One file of a folder. Like the system's items from Vista on, it answers
// ExtendedProperty("System.Title"); it knows no other property.
class TitleShellItem final : public DispatchObject {
  public:
    explicit TitleShellItem(std::wstring path) : path_(std::move(path)) {}
    const std::wstring& Path() const { return path_; }

  protected:
    const IID& OwnIid() const override { return IID_TitleShellItem; }
    DISPID Lookup(const wchar_t* name) const override {
        return NameIs(name, L"ExtendedProperty") ? kExtendedProperty : DISPID_UNKNOWN;
    }
    HRESULT Call(DISPID id, const DISPPARAMS& params, VARIANT& answer, UINT* argErr) override {
        if (id != kExtendedProperty) return DISP_E_MEMBERNOTFOUND;
        if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
        std::wstring property;
        if (!ArgAsText(params.rgvarg[0], property)) return Mismatch(argErr, 0);
        if (!NameIs(property.c_str(), L"System.Title")) return E_INVALIDARG;
        return AnswerText(ReadFileTitle(path_), answer);
    }

  private:
    std::wstring path_;
};

// A folder: hands out items and answers their Title detail.
class TitleShellFolder final : public DispatchObject {
  public:
    explicit TitleShellFolder(std::wstring folder) : folder_(std::move(folder)) {
        if (!folder_.empty() && folder_.back() != L'\\' && folder_.back() != L'/' &&
            folder_.back() != L':')
            folder_ += L'\\';
    }

  protected:
    DISPID Lookup(const wchar_t* name) const override {
        if (NameIs(name, L"ParseName")) return kParseName;
        if (NameIs(name, L"GetDetailsOf")) return kGetDetailsOf;
        return DISPID_UNKNOWN;
    }
    HRESULT Call(DISPID id, const DISPPARAMS& params, VARIANT& answer, UINT* argErr) override {
        if (id == kParseName) {
            if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
            std::wstring name;
            if (!ArgAsText(params.rgvarg[0], name)) return Mismatch(argErr, 0);
            answer.vt = VT_DISPATCH;
            answer.pdispVal = new TitleShellItem(folder_ + name);
            return S_OK;
        }
        if (id == kGetDetailsOf) {
            if (params.cArgs != 2) return DISP_E_BADPARAMCOUNT;
            // rgvarg[1] is the item, rgvarg[0] the column.
            long column = 0;
            if (!ArgAsInteger(params.rgvarg[0], column)) return Mismatch(argErr, 0);
            const VARIANT& itemArg = Deref(params.rgvarg[1]);
            IDispatch* itemDispatch = ArgAsDispatch(params.rgvarg[1]);
            if (!itemDispatch && itemArg.vt != VT_EMPTY && itemArg.vt != VT_NULL)
                return Mismatch(argErr, 1);
            // This shell knows one detail, the Title, and gives it for whichever column the
            // caller found to be the Title column. Without an item there is nothing to read.
            std::wstring title;
            ComPtr<IDispatch> own;
            if (itemDispatch &&
                SUCCEEDED(itemDispatch->QueryInterface(IID_TitleShellItem, own.PutVoid())))
                title = ReadFileTitle(static_cast<TitleShellItem*>(own.Get())->Path());
            return AnswerText(title, answer);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

  private:
    std::wstring folder_;
};

// The application object: hands out folders.
class TitleShell final : public DispatchObject {
  protected:
    DISPID Lookup(const wchar_t* name) const override {
        return NameIs(name, L"NameSpace") ? kNameSpace : DISPID_UNKNOWN;
    }
    HRESULT Call(DISPID id, const DISPPARAMS& params, VARIANT& answer, UINT* argErr) override {
        if (id != kNameSpace) return DISP_E_MEMBERNOTFOUND;
        if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
        std::wstring folder;
        if (!ArgAsText(params.rgvarg[0], folder)) return Mismatch(argErr, 0);
        answer.vt = VT_DISPATCH;
        answer.pdispVal = new TitleShellFolder(std::move(folder));
        return S_OK;
    }
};

}  // namespace

std::wstring ReadFileTitle(const std::wstring& path) {
    auto source = Win32FileSource::Open(path);
    if (!source) return std::wstring();
    const std::u16string title = media::ReadTitle(*source, DecodeAnsi);
    return std::wstring(title.begin(), title.end());
}

ComPtr<IDispatch> CreateBuiltInTitleShell() {
    return ComPtr<IDispatch>::Attach(new TitleShell());
}

}  // namespace qm::win
