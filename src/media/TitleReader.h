// The title reader: finds the Title that the Windows shell shows for a media file, from the
// file's own container metadata. The format is recognised by content, never by extension.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "media/ByteSource.h"

namespace qm::media {

// Outcome of one container reader. Only Found carries a title; the other three are kept apart
// for tests and tools, and all of them mean "no title" to the program.
enum class ReadStatus {
    Found,          // a title field was present (it may still be empty)
    NotThisFormat,  // the content is not this reader's container
    NoTitle,        // the container is well-formed enough but holds no title
    Malformed,      // the structure is broken or exceeds a limit
    IoError,        // the source failed to deliver bytes it claims to hold
};

// Decodes text that carries no declared encoding (RIFF INFO, ID3v1) from the system's ANSI
// code page. The Windows layer passes MultiByteToWideChar(CP_ACP); tests pass a fixed table.
using AnsiDecoder = std::function<std::u16string(std::string_view)>;

// Decodes bytes as Windows-1252 (the portable default for undeclared text).
std::u16string DecodeCp1252(std::string_view bytes);

struct TitleResult {
    ReadStatus status = ReadStatus::NotThisFormat;
    std::u16string title;  // UTF-16; empty unless status == Found
    const char* format = "";  // short name of the container recognised ("mp4", "matroska", ...)
};

// Reads the title of whatever container the source holds. Never throws; a malformed or
// unrecognised file yields an empty title.
TitleResult ReadTitleDetailed(ByteSource& src, const AnsiDecoder& ansi = DecodeCp1252);
std::u16string ReadTitle(ByteSource& src, const AnsiDecoder& ansi = DecodeCp1252);

}  // namespace qm::media
