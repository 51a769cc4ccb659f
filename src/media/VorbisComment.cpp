#include "media/VorbisComment.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "media/Bytes.h"
#include "media/Text.h"

namespace qm::media {
namespace {

constexpr char kTitleKey[] = "TITLE=";
constexpr std::size_t kTitleKeyLen = sizeof(kTitleKey) - 1;

bool IsTitleKey(const unsigned char* p) {
    for (std::size_t i = 0; i < kTitleKeyLen; ++i) {
        unsigned char c = p[i];
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        if (c != static_cast<unsigned char>(kTitleKey[i])) return false;
    }
    return true;
}

}  // namespace

ReadStatus FindVorbisCommentTitle(ByteStream& in, const ReadBudget& budget,
                                  std::u16string* title) {
    unsigned char word[4];
    StreamStatus s = in.Read(word, sizeof word);
    if (s != StreamStatus::Ok) return ToReadStatus(s);
    s = in.Skip(LoadU32LE(word));  // vendor string
    if (s != StreamStatus::Ok) return ToReadStatus(s);
    s = in.Read(word, sizeof word);
    if (s != StreamStatus::Ok) return ToReadStatus(s);
    const std::uint32_t count = LoadU32LE(word);

    for (std::uint32_t i = 0; i < count; ++i) {
        if (budget.Exhausted()) return ReadStatus::Malformed;
        s = in.Read(word, sizeof word);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        const std::uint32_t length = LoadU32LE(word);
        if (length < kTitleKeyLen) {
            s = in.Skip(length);
            if (s != StreamStatus::Ok) return ToReadStatus(s);
            continue;
        }
        unsigned char key[kTitleKeyLen];
        s = in.Read(key, sizeof key);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        const std::uint32_t valueLength = length - static_cast<std::uint32_t>(kTitleKeyLen);
        if (!IsTitleKey(key)) {
            s = in.Skip(valueLength);
            if (s != StreamStatus::Ok) return ToReadStatus(s);
            continue;
        }
        const std::size_t take = valueLength < kMaxTitleBytes ? valueLength : kMaxTitleBytes;
        std::string value(take, '\0');
        s = in.Read(value.data(), take);
        if (s != StreamStatus::Ok) return ToReadStatus(s);
        *title = TrimTrailingNuls(DecodeUtf8(value));
        return ReadStatus::Found;
    }
    return ReadStatus::NoTitle;
}

}  // namespace qm::media
