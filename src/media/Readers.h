// One reader per container family, each behind the same signature. A reader first checks its
// own signature and answers NotThisFormat quickly when the content is not its container; the
// dispatcher (TitleReader.cpp) tries them in a fixed order. A reader reports every failure of
// the file or the medium through its status; what it cannot report (the allocator's or the
// caller's ANSI decoder's exceptions) the dispatcher catches, once for all of them.
#pragma once

#include <string>
#include <utility>

#include "media/TitleReader.h"

namespace qm::media {

TitleResult ReadMp4Title(ByteSource& src, const AnsiDecoder& ansi);       // MP4/MOV/M4A/3GP
TitleResult ReadMatroskaTitle(ByteSource& src, const AnsiDecoder& ansi);  // MKV/WebM
TitleResult ReadAsfTitle(ByteSource& src, const AnsiDecoder& ansi);       // WMV/WMA/ASF
TitleResult ReadRiffTitle(ByteSource& src, const AnsiDecoder& ansi);      // AVI/WAV, RF64
TitleResult ReadMp3Title(ByteSource& src, const AnsiDecoder& ansi);       // ID3v2, then ID3v1
TitleResult ReadFlacTitle(ByteSource& src, const AnsiDecoder& ansi);      // FLAC Vorbis comment
TitleResult ReadOggTitle(ByteSource& src, const AnsiDecoder& ansi);       // Ogg Vorbis/Opus/Theora

// The result a reader returns: the format it names unless the content is not its container
// (a reader passes "" while it has not recognised the container yet), and the title only with
// Found, so that no other outcome can carry text.
inline TitleResult ReaderResult(ReadStatus status, const char* format, std::u16string title = {}) {
    TitleResult r;
    r.status = status;
    if (status != ReadStatus::NotThisFormat) r.format = format;
    if (status == ReadStatus::Found) r.title = std::move(title);
    return r;
}

}  // namespace qm::media
