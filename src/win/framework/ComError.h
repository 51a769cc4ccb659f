// The program's error types. Errors are exceptions that travel up to the application's error
// display; their text is kept in UTF-16 so system messages and the fixed Japanese texts show
// correctly whatever the ANSI code page.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <exception>
#include <string>

namespace qm::win {

// An error with a message for the user.
class Error : public std::exception {
  public:
    explicit Error(std::wstring message);
    const std::wstring& Message() const { return message_; }
    // The message in the ANSI code page (replacement characters where it lacks one).
    const char* what() const noexcept override { return narrow_.c_str(); }

  private:
    std::wstring message_;
    std::string narrow_;
};

// A failed COM call. Its message is the system's text for the code with trailing blanks and
// full stops removed, or "OLE エラー XXXXXXXX" when the system has none; a failed Invoke that
// filled an EXCEPINFO gives the description from it instead.
class ComError : public Error {
  public:
    explicit ComError(HRESULT code);
    ComError(HRESULT code, std::wstring message);
    HRESULT Code() const { return code_; }

  private:
    HRESULT code_;
};

// The message text for a COM result code, as described above.
std::wstring ComErrorMessage(HRESULT code);

// Raises ComError when the result's top bit is set; returns the result otherwise.
HRESULT OleCheck(HRESULT hr);

// Raises the error of a failed IDispatch::Invoke: the EXCEPINFO's description (after its
// deferred fill-in) when the call was DISP_E_EXCEPTION and one was given, else ComError(hr).
// Frees the EXCEPINFO's strings in every case.
[[noreturn]] void ThrowInvokeError(HRESULT hr, EXCEPINFO& info);

// The message of any exception, for the error display.
std::wstring MessageOf(const std::exception& e);

}  // namespace qm::win
