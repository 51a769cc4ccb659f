// One reader per container family, each behind the same signature. A reader first checks its
// own signature and answers NotThisFormat quickly when the content is not its container; the
// dispatcher (TitleReader.cpp) tries them in a fixed order.
#pragma once

#include "media/TitleReader.h"

namespace qm::media {

TitleResult ReadMp4Title(ByteSource& src, const AnsiDecoder& ansi);       // MP4/MOV/M4A/3GP
TitleResult ReadMatroskaTitle(ByteSource& src, const AnsiDecoder& ansi);  // MKV/WebM
TitleResult ReadAsfTitle(ByteSource& src, const AnsiDecoder& ansi);       // WMV/WMA/ASF
TitleResult ReadRiffTitle(ByteSource& src, const AnsiDecoder& ansi);      // AVI/WAV, RF64
TitleResult ReadMp3Title(ByteSource& src, const AnsiDecoder& ansi);       // ID3v2, then ID3v1
TitleResult ReadFlacTitle(ByteSource& src, const AnsiDecoder& ansi);      // FLAC Vorbis comment
TitleResult ReadOggTitle(ByteSource& src, const AnsiDecoder& ansi);       // Ogg Vorbis/Opus/Theora

}  // namespace qm::media
