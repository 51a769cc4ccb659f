// The Vorbis comment list shared by FLAC (VORBIS_COMMENT block) and Ogg (Vorbis and Opus
// comment packets, after their packet magic): a vendor string, then "NAME=value" fields.
#pragma once

#include <string>

#include "media/ByteStream.h"
#include "media/ReadBudget.h"
#include "media/TitleReader.h"

namespace qm::media {

// Finds the first TITLE field (the name compared without regard to ASCII letter case) and
// decodes its value as UTF-8. Reads only the field names and the one value it returns.
// Found: *title holds the value (possibly empty). NoTitle: the list holds no TITLE field.
// Malformed: the list ends early or the reader's budget runs out. IoError: the source failed.
ReadStatus FindVorbisCommentTitle(ByteStream& in, const ReadBudget& budget,
                                  std::u16string* title);

}  // namespace qm::media
