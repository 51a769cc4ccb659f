// The application title: the executable's file name without folder, cut before its first ".",
// every character after the first lower-cased. It begins every window caption.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/Ansi.h"

namespace qm {

// Lower-cases a text in the ANSI code page (CharLowerA on Windows).
using AnsiLower = std::function<std::string(std::string_view)>;

// SAMPLE.TOOL.EXE gives Sample, MyTool.exe Mytool, myTool.exe mytool. The first character is
// taken whole, so a double-byte first character is never split or lower-cased.
std::string AppTitleFromModulePath(std::string_view modulePath, const LeadBytes& lead,
                                   const AnsiLower& lower);

}  // namespace qm
