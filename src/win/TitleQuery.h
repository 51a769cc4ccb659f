// The Title detail of a file from a shell automation object, driven by late binding: each method
// is resolved by name with GetIDsOfNames and called with Invoke as a method, exactly as a script
// would drive "Shell.Application". Any object that answers "NameSpace", "ParseName" and
// "GetDetailsOf" this way serves: the system's, the built-in title shell, a test's fake.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <shlobj.h>

#include <optional>
#include <string>

#include "win/framework/Raii.h"

namespace qm::win {

// The column that carried the Title in the shell this program was first made for. From Vista on
// column 10 carries another property (the Owner on Windows 7 and later), so it is only the
// answer when a folder cannot say which of its columns is the Title.
constexpr int kClassicTitleColumn = 10;

// Calls a method of an automation object by name. `args` are given in call order (first
// argument first); they are handed to Invoke last first, as DISPPARAMS wants them. The result
// goes to `result` when it is not null. A name the object does not know, or a call it reports
// as failed, raises ComError (with the EXCEPINFO's description where it gave one).
void InvokeMethod(IDispatch* object, const wchar_t* name, VARIANTARG* args, UINT count,
                  VARIANT* result);

// The column of a shell folder that carries the Title property (PKEY_Title: the summary
// information property set, PID 2), found with MapColumnToSCID; kClassicTitleColumn when no
// column maps to it.
int TitleColumnOf(IShellFolder2* folder);

// The Title column in the numbering of a folder object returned by "NameSpace": asked of the
// object itself when it is a shell folder, else of the shell folder it stands for (through
// IPersistFolder2); kClassicTitleColumn when it is neither.
int TitleColumnOfFolderObject(IDispatch* folderObject);

// The objects an examination obtains from the shell object: the folder object "NameSpace"
// gives and the item object "ParseName" gives. Whoever holds them decides when they go.
struct ShellTitleObjects {
    Variant folder;
    Variant item;
};

// Asks a shell automation object for the Title detail of one file: "NameSpace" with the folder
// (ending in its separator), "ParseName" on the folder object with the file name, then
// "GetDetailsOf" on the folder object with the item (a variant by reference) and the Title
// column (a 32-bit integer). The answer is converted to the ANSI code page with the system's
// default replacement; it is empty when the file has no title. No answer at all (nullopt) when
// the shell gives no folder object or no item object: asking a folder for the details of no
// item would answer the column's header text instead. Raises ComError when a call fails. The
// folder and item objects are left in `objects`, also when a call fails.
std::optional<std::string> AskShellTitle(IDispatch* shell, const std::string& folder,
                                         const std::string& fileName, ShellTitleObjects& objects);

// The same, with every object obtained released before returning, on every path.
std::optional<std::string> AskShellTitle(IDispatch* shell, const std::string& folder,
                                         const std::string& fileName);

// The same, with no answer taken as no title.
std::string ReadShellTitle(IDispatch* shell, const std::string& folder, const std::string& fileName,
                           ShellTitleObjects& objects);
std::string ReadShellTitle(IDispatch* shell, const std::string& folder,
                           const std::string& fileName);

}  // namespace qm::win
