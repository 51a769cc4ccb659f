#include "win/framework/ComError.h"

#include <cwchar>
#include <utility>

#include "win/framework/AnsiText.h"

namespace qm::win {

Error::Error(std::wstring message)
    : message_(std::move(message)),
      narrow_(WideToAnsi(message_.c_str(), static_cast<int>(message_.size()))) {}

ComError::ComError(HRESULT code) : Error(ComErrorMessage(code)), code_(code) {}
ComError::ComError(HRESULT code, std::wstring message) : Error(std::move(message)), code_(code) {}

std::wstring ComErrorMessage(HRESULT code) {
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (n != 0 && text) message.assign(text, n);
    if (text) ::LocalFree(text);
    // Trailing blanks (line ends included) and full stops go.
    while (!message.empty()) {
        wchar_t c = message.back();
        if (c == L'.' || c == L' ' || c == L'\r' || c == L'\n' || c == L'\t')
            message.pop_back();
        else
            break;
    }
    if (message.empty()) {
        wchar_t buf[32];
        std::swprintf(buf, sizeof buf / sizeof buf[0], L"%.8X", static_cast<unsigned>(code));
        message = L"OLE \u30A8\u30E9\u30FC ";  // "OLE エラー "
        message += buf;
    }
    return message;
}

HRESULT OleCheck(HRESULT hr) {
    if (FAILED(hr)) throw ComError(hr);
    return hr;
}

void ThrowInvokeError(HRESULT hr, EXCEPINFO& info) {
    if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    std::wstring description;
    if (hr == DISP_E_EXCEPTION && info.bstrDescription)
        description.assign(info.bstrDescription, ::SysStringLen(info.bstrDescription));
    HRESULT code = hr;
    if (hr == DISP_E_EXCEPTION && FAILED(info.scode)) code = info.scode;
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    info.bstrSource = info.bstrDescription = info.bstrHelpFile = nullptr;
    if (!description.empty()) throw ComError(code, std::move(description));
    throw ComError(code);
}

std::wstring MessageOf(const std::exception& e) {
    if (auto* err = dynamic_cast<const Error*>(&e)) return err->Message();
    return AnsiToWide(e.what());
}

}  // namespace qm::win
