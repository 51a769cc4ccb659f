// Text in the system's ANSI code page: the conversions to and from UTF-16, and the ranges of the
// code page's lead bytes, so that the second byte of a double-byte character is never taken for
// a delimiter by the portable text routines.
#pragma once

#include <string>
#include <string_view>

#include "core/Ansi.h"

namespace qm::win {

// ANSI code page -> UTF-16; bytes the code page cannot map become the system's default
// replacement. Empty for empty text and for text too long for the system call.
std::wstring AnsiToWide(std::string_view ansi);

// UTF-16 -> ANSI code page, with the system's default replacement for characters the code page
// lacks. A negative length reads up to the terminating NUL; a null text gives empty.
std::string WideToAnsi(const wchar_t* text, int length = -1);

// The lead bytes of the system's ANSI code page, read once with GetCPInfo.
const LeadBytes& SystemLeadBytes();

}  // namespace qm::win
