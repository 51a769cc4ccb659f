// A fake shell automation object for tests: it answers "NameSpace", "ParseName" and
// "GetDetailsOf" through GetIDsOfNames and Invoke as the system's "Shell.Application" does,
// checks the argument types of every call, records each call, answers titles from a table and
// fails on demand. Install it with SetShellObjectFactory(shell.Factory()).
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <shlobj.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win/framework/Raii.h"
#include "win/ShellFactory.h"

namespace qm::win::test {

// One call the fake received, with its arguments in call order.
struct FakeCall {
    std::string method;          // "NameSpace", "ParseName", "GetDetailsOf", "ExtendedProperty"
    std::vector<VARTYPE> types;  // argument types, first argument first
    std::wstring text;           // NameSpace: the folder; ParseName: the name; GetDetailsOf: the
                                 // item's folder + name; ExtendedProperty: the property's name
    long column = -1;            // GetDetailsOf: the column asked for
};

// A call to fail: the method, and the text it must carry (the folder for NameSpace, the file
// name for ParseName and GetDetailsOf); an empty text fails every call of the method. With a
// description the failure comes as DISP_E_EXCEPTION with an EXCEPINFO, else as `code` itself.
struct FakeFailure {
    std::string method;
    std::wstring match;
    HRESULT code = E_FAIL;
    std::wstring description;
};

// The state one family of fake objects (shell, folders, items) shares. It must outlive them.
class FakeShell {
  public:
    // Titles by full path (folder with separator + file name); a file not in the table has an
    // empty title.
    std::map<std::wstring, std::wstring> titles;
    std::optional<FakeFailure> failure;
    bool noFolderObject = false;  // NameSpace answers no object
    bool noItemObject = false;    // ParseName answers no object
    // When columnCount > 0, folder objects are also shell folders with that many columns, of
    // which titleColumn (if in range) maps to the Title property, and GetDetailsOf answers
    // otherDetail for every other column. With no columns, every column answers the title.
    int columnCount = 11;
    int titleColumn = 10;
    std::wstring otherDetail;
    // Items answer ExtendedProperty("System.Title") with the title.
    bool extendedProperty = false;

    std::vector<FakeCall> calls;
    int shellsCreated = 0;
    int liveObjects = 0;  // fake objects not yet released
    // Runs as a shell, folder or item object goes ("shell", "folder" or "item").
    std::function<void(const std::string& kind)> onRelease;

    // A new shell object (what the factory gives the scanner).
    ComPtr<IDispatch> NewShell();
    ShellObjectFactory Factory() {
        return [this] { return NewShell(); };
    }
    // The calls of one method, in order.
    std::vector<FakeCall> CallsOf(const std::string& method) const;
};

}  // namespace qm::win::test
