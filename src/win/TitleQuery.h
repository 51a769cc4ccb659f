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

// The column that carries the Title in the shells of Windows 2000 and XP. From Vista on column
// 10 carries another property (the Owner on Windows 7 and later), so it is taken unchecked only
// on those two systems.
constexpr int kClassicTitleColumn = 10;

// How the running system's shell may be asked for a Title it cannot name by its column.
enum class ShellGeneration {
    Classic,         // 2000 and XP: column 10 of a file folder is the Title
    PropertySystem,  // Vista on: an item answers ExtendedProperty("System.Title")
};

// The running system's generation, from its version (major version 6 and above: Vista on).
ShellGeneration SystemShellGeneration();

// Test seam: answers `generation` in place of the system's; an empty value restores it.
void SetShellGenerationForTests(std::optional<ShellGeneration> generation);

// Calls a method of an automation object by name. `args` are given in call order (first
// argument first); they are handed to Invoke last first, as DISPPARAMS wants them. The result
// goes to `result` when it is not null. A name the object does not know, or a call it reports
// as failed, raises ComError (with the EXCEPINFO's description where it gave one).
void InvokeMethod(IDispatch* object, const wchar_t* name, VARIANTARG* args, UINT count,
                  VARIANT* result);

// The column of a shell folder that carries the Title property (PKEY_Title: the summary
// information property set, PID 2), found with MapColumnToSCID; nothing when no column maps to it.
// `numbered` (when given) tells whether the folder named any column at all.
std::optional<int> TitleColumnOf(IShellFolder2* folder, bool* numbered = nullptr);

// The Title column in the numbering of a folder object returned by "NameSpace": asked of the
// object itself when it is a shell folder, else of the shell folder it stands for (through
// IPersistFolder2). Nothing when the object answers neither, or no column maps to the Title;
// `numbered` (when given) tells whether a shell folder was reached that named any column.
std::optional<int> TitleColumnOfFolderObject(IDispatch* folderObject, bool* numbered = nullptr);

// The objects an examination obtains from the shell object: the folder object "NameSpace"
// gives and the item object "ParseName" gives. Whoever holds them decides when they go.
struct ShellTitleObjects {
    Variant folder;
    Variant item;
};

// What a shell object answered for one file.
struct ShellTitleAnswer {
    enum Kind {
        Title,        // `text` is the Title, empty when the file has none
        NoObject,     // the shell gave no folder object or no item object
        TitleUnnamed  // the shell cannot say which of its details is the Title
    } kind = NoObject;
    std::string text;
};

// Asks a shell automation object for the Title of one file: "NameSpace" with the folder (ending
// in its separator), then "ParseName" on the folder object with the file name. The Title is then
// asked where it is known to be, never guessed:
//  - "GetDetailsOf" on the folder object with the item (a variant by reference) and the column
//    that maps to the Title property (a 32-bit integer);
//  - failing that, from Vista on, "ExtendedProperty" on the item with "System.Title";
//  - failing that, on 2000 and XP, "GetDetailsOf" with column 10, when no shell folder behind
//    the folder object names its columns (where one does, and none is the Title, there is none).
// Where none of these serves the answer is TitleUnnamed. The text is converted to the ANSI code
// page with the system's default replacement. No folder or item object gives NoObject: asking a
// folder for the details of no item would answer the column's header text instead. Raises
// ComError when NameSpace, ParseName or GetDetailsOf fails; an ExtendedProperty that fails counts
// as not answered. The folder and item objects are left in `objects`, also when a call fails.
ShellTitleAnswer AskShellTitle(IDispatch* shell, const std::string& folder,
                               const std::string& fileName, ShellTitleObjects& objects);

// The same, with every object obtained released before returning, on every path.
ShellTitleAnswer AskShellTitle(IDispatch* shell, const std::string& folder,
                               const std::string& fileName);

// The Title text alone: empty unless the answer is a Title.
std::string ReadShellTitle(IDispatch* shell, const std::string& folder, const std::string& fileName,
                           ShellTitleObjects& objects);
std::string ReadShellTitle(IDispatch* shell, const std::string& folder,
                           const std::string& fileName);

}  // namespace qm::win
