// Checks shared by the Windows tests: reading a shortcut file back, and the shape of the about
// window's readout lines with every figure written as "#".
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstddef>
#include <initializer_list>
#include <string>

#include "core/Format.h"
#include "win/framework/AnsiText.h"
#include "win/framework/ComError.h"
#include "win/framework/Raii.h"

namespace qm::win::test {

// What a shortcut file holds, read back through the shell-link object.
struct LinkContents {
    std::string path, arguments, workingDirectory;
};

inline LinkContents ReadLink(const std::string& linkPath) {
    ComPtr<IShellLinkA> link;
    OleCheck(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid()));
    ComPtr<IPersistFile> file;
    OleCheck(link.As(file));
    OleCheck(file->Load(AnsiToWide(linkPath).c_str(), STGM_READ));
    char buffer[1024] = {};
    LinkContents contents;
    link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH);
    contents.path = buffer;
    buffer[0] = '\0';
    link->GetArguments(buffer, sizeof buffer);
    contents.arguments = buffer;
    buffer[0] = '\0';
    link->GetWorkingDirectory(buffer, sizeof buffer);
    contents.workingDirectory = buffer;
    return contents;
}

// The nine readout lines in their order, each figure written as "#".
inline const char* const kReadoutShapes[] = {
    "Free Physical Memory:# KB; Total:# KB",
    "Free Paging File:# KB; Total:# KB",
    "Free Virtual Memory:# KB; Total:# KB",
    "Memory Usage:# KB; Peak:# KB",
    "Page Fault:#",
    "Pagefile Usage:# KB; Peak:# KB",
    "Paged Pool Usage:# KB; Peak:# KB",
    "NonPaged Pool Usage:# KB; Peak:# KB",
    "Kernel:#:#:#; User:#:#:#; Process:#:#:#",
};

// The text with every figure replaced by "#": a figure is a run of digits, possibly grouped or
// with a decimal separator between digits.
inline std::string Shape(const std::string& text, const Separators& separators) {
    const auto digit = [&text](std::size_t k) { return text[k] >= '0' && text[k] <= '9'; };
    // The separator that starts at i, followed by a digit: its length, else 0.
    const auto separatorAt = [&](std::size_t i) -> std::size_t {
        for (const std::string* s : {&separators.thousand, &separators.decimal})
            if (!s->empty() && text.compare(i, s->size(), *s) == 0 && i + s->size() < text.size() &&
                digit(i + s->size()))
                return s->size();
        return 0;
    };
    std::string shape;
    for (std::size_t i = 0; i < text.size();) {
        if (!digit(i)) {
            shape += text[i++];
            continue;
        }
        while (i < text.size()) {
            if (digit(i)) {
                ++i;
            } else if (const std::size_t n = separatorAt(i)) {
                i += n;
            } else {
                break;
            }
        }
        shape += '#';
    }
    return shape;
}

}  // namespace qm::win::test
