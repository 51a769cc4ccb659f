// Where the scanner gets the shell automation object it asks for every examined file: the
// system's "Shell.Application" when the system shell answers the Title detail, otherwise the
// built-in title shell that reads the title from the file's own metadata. Tests install a fake
// through the same seam.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>

#include "win/framework/Raii.h"

namespace qm::win {

using ShellObjectFactory = std::function<ComPtr<IDispatch>()>;

// A new shell object for one file's examination. Raises when it cannot be created.
ComPtr<IDispatch> CreateShellObject();

// A new instance of the system's "Shell.Application" (CLSIDFromProgID, then CoCreateInstance
// in-process or as a local server, asking for IDispatch). Raises ComError when either fails.
ComPtr<IDispatch> CreateSystemShellObject();

// Whether the system's shell object answers the Title detail: one examination of a file that
// every system has, which must reach a detail known to be the Title (see AskShellTitle) and get
// its answer. Never raises; false also when the object cannot be created. CreateShellObject asks
// this once per process.
bool SystemShellAnswersTitle();

// Replaces the factory behind CreateShellObject (tests); an empty function restores the
// default.
void SetShellObjectFactory(ShellObjectFactory factory);
void ResetShellObjectFactory();

}  // namespace qm::win
