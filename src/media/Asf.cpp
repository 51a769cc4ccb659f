// ASF (WMV, WMA, ASF). The title is the first string of the Content Description Object, one of
// the objects inside the Header Object at the start of the file: UTF-16LE, its length given in
// bytes, a trailing NUL dropped.
#include <cstring>
#include <string>

#include "media/ByteStream.h"
#include "media/Bytes.h"
#include "media/ReadBudget.h"
#include "media/Readers.h"
#include "media/Text.h"

namespace qm::media {

namespace {

constexpr std::size_t kGuidBytes = 16;
// 75B22630-668E-11CF-A6D9-00AA0062CE6C, as stored.
constexpr unsigned char kHeaderObjectGuid[kGuidBytes] = {
    0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C,
};
// 75B22633-668E-11CF-A6D9-00AA0062CE6C, as stored.
constexpr unsigned char kContentDescriptionGuid[kGuidBytes] = {
    0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C,
};

// Header Object: GUID, 64-bit size, 32-bit object count, two reserved bytes.
constexpr std::uint64_t kHeaderObjectBytes = 30;
// Every object: GUID and 64-bit size (which counts these 24 bytes).
constexpr std::uint64_t kObjectHeaderBytes = 24;
// Content Description: five 16-bit lengths (title, author, copyright, description, rating).
constexpr std::uint64_t kLengthsBytes = 10;
// Objects walked in the Header Object; more make the file malformed.
constexpr int kMaxHeaderObjects = 1024;

}  // namespace

TitleResult ReadAsfTitle(ByteSource& src, const AnsiDecoder& /*ansi*/) {
    constexpr const char* kFormat = "asf";
    unsigned char header[kHeaderObjectBytes];
    if (src.Size() < kGuidBytes) return ReaderResult(ReadStatus::NotThisFormat, "");
    StreamStatus s = ReadExact(src, 0, header, kGuidBytes);
    if (s != StreamStatus::Ok) return ReaderResult(ToReadStatus(s), "");
    if (std::memcmp(header, kHeaderObjectGuid, kGuidBytes) != 0)
        return ReaderResult(ReadStatus::NotThisFormat, "");

    s = ReadExact(src, kGuidBytes, header + kGuidBytes, kHeaderObjectBytes - kGuidBytes);
    if (s != StreamStatus::Ok) return ReaderResult(ToReadStatus(s), kFormat);
    const std::uint64_t headerSize = LoadU64LE(header + kGuidBytes);
    if (headerSize < kHeaderObjectBytes || headerSize > src.Size())
        return ReaderResult(ReadStatus::Malformed, kFormat);

    ReadBudget budget(src);
    std::uint64_t pos = kHeaderObjectBytes;
    for (int count = 0; headerSize - pos >= kObjectHeaderBytes; ++count) {
        if (count == kMaxHeaderObjects || budget.Exhausted())
            return ReaderResult(ReadStatus::Malformed, kFormat);
        unsigned char object[kObjectHeaderBytes];
        s = ReadExact(src, pos, object, sizeof object);
        if (s != StreamStatus::Ok) return ReaderResult(ToReadStatus(s), kFormat);
        const std::uint64_t size = LoadU64LE(object + kGuidBytes);
        if (size < kObjectHeaderBytes || size > headerSize - pos)
            return ReaderResult(ReadStatus::Malformed, kFormat);
        if (std::memcmp(object, kContentDescriptionGuid, kGuidBytes) == 0) {
            const std::uint64_t payload = pos + kObjectHeaderBytes;
            if (size - kObjectHeaderBytes < kLengthsBytes)
                return ReaderResult(ReadStatus::Malformed, kFormat);
            unsigned char lengths[kLengthsBytes];
            s = ReadExact(src, payload, lengths, sizeof lengths);
            if (s != StreamStatus::Ok) return ReaderResult(ToReadStatus(s), kFormat);
            // The title comes first; its length is a 16-bit count, so it never passes the cap.
            const std::uint16_t titleBytes = LoadU16LE(lengths);
            if (titleBytes > size - kObjectHeaderBytes - kLengthsBytes)
                return ReaderResult(ReadStatus::Malformed, kFormat);
            std::string bytes(titleBytes, '\0');
            s = ReadExact(src, payload + kLengthsBytes, &bytes[0], bytes.size());
            if (s != StreamStatus::Ok) return ReaderResult(ToReadStatus(s), kFormat);
            return ReaderResult(ReadStatus::Found, kFormat, TrimTrailingNuls(DecodeUtf16LE(bytes)));
        }
        pos += size;
    }
    return ReaderResult(ReadStatus::NoTitle, kFormat);
}

}  // namespace qm::media
