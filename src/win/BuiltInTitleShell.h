// The built-in title shell: an in-process automation object that answers "NameSpace",
// "ParseName" and "GetDetailsOf" the way the system's Shell.Application does, reading the Title
// from the file's own container metadata. It stands in where the system shell cannot answer
// the Title detail.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "win/framework/Raii.h"

namespace qm::win {

// A new shell object (one reference, owned by the caller).
ComPtr<IDispatch> CreateBuiltInTitleShell();

// Reads the Title of a file from its container metadata; empty when it has none or cannot be
// read. Undeclared text is decoded from the ANSI code page.
std::wstring ReadFileTitle(const std::wstring& path);

}  // namespace qm::win
