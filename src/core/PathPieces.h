// Pieces of narrow ANSI paths. A path is cut at its last "\" or ":" (and, for the extension,
// its last "."), found character by character so that the trail byte of a double-byte
// character never counts as a delimiter. Every routine takes the code page's lead bytes.
#pragma once

#include <string>
#include <string_view>

#include "core/Ansi.h"

namespace qm {

// The path up to and including its last "\" or ":"; empty when it has none. This is also the
// directory ShellOpen hands to the shell: C:\Tools\App\ gives itself, C:\Users\u\SendTo gives
// C:\Users\u\, "MailTo:x@y" gives "MailTo:".
std::string FolderPiece(std::string_view path, const LeadBytes& lead);

// The rest of the path after FolderPiece.
std::string FileNamePiece(std::string_view path, const LeadBytes& lead);

// From the last "." to the end, dot included, when the last of ".", "\" and ":" is a ".";
// otherwise empty. movie.part1.avi gives .avi, readme and C:\a.b\readme give nothing.
std::string ExtensionPiece(std::string_view path, const LeadBytes& lead);

// The file name without its extension (the whole file name when it has none).
std::string BaseNamePiece(std::string_view path, const LeadBytes& lead);

// True when the last character is a single-byte "\".
bool EndsWithSeparator(std::string_view text, const LeadBytes& lead);

// The folder with "\" appended unless it already ends in one (an empty text gives "\").
std::string IncludeTrailingSeparator(std::string_view folder, const LeadBytes& lead);

// The folder with one trailing "\" removed if it ends in one; a folder ending in two keeps one.
std::string RemoveOneTrailingSeparator(std::string_view folder, const LeadBytes& lead);

// The working directory of a shortcut to `target`: the text up to and including its last
// delimiter, without that delimiter when it is a "\" whose preceding character is neither a
// single-byte "\" nor ":". C:\Apps\Tool.exe gives C:\Apps, C:\Tool.exe gives C:\, C:Tool.exe
// gives C:, \Tool.exe gives \.
std::string ShortcutWorkingDirectory(std::string_view target, const LeadBytes& lead);

// The path of a shortcut file: "<folder>\<linkName>.lnk" with one trailing "\" of the folder
// removed first (so D:\ gives D:\Tool.lnk).
std::string ShortcutLinkPath(std::string_view folder, std::string_view linkName,
                             const LeadBytes& lead);

// True when the name holds "\" or "/" as a character of its own. Such a name would move a file
// out of its folder, so the rename pass refuses it.
bool HasPathSeparator(std::string_view name, const LeadBytes& lead);

}  // namespace qm
