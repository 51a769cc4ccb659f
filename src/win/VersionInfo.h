// Strings from an executable's version resource, and the window captions built from them.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "core/VersionStrings.h"

namespace qm::win {

class Form;

// The full path of the program's own executable, as the system reports its main module.
std::string ExePath();

// Reads one string (a VersionInfoKeys entry) of the file's version resource, under the first
// translation its list names, trimmed of blanks and control characters at both ends. On success
// value is replaced (a value of blanks alone gives the empty string); on every failure it is
// left as the caller passed it.
void GetVersionInfoString(std::string_view key, const std::string& fileName, std::string& value);

// Test seam: the query GetVersionInfoString reads the version block with (VerQueryValueA unless
// replaced); nullptr restores it.
using VerQueryValueFn = BOOL(WINAPI*)(LPCVOID block, LPCSTR subBlock, LPVOID* value, PUINT length);
void SetVerQueryValueForTests(VerQueryValueFn query);

// Captions the form "<application title> Ver.<FileVersion> - <component name>", with the file
// version of the program's own executable.
void SetCaptionWithVersion(Form& form);

}  // namespace qm::win
