// Builders for EBML (Matroska, WebM) elements in tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "media/TestUtil.h"

namespace qm::media::test::ebml {

constexpr std::uint32_t kEbml = 0x1A45DFA3;
constexpr std::uint32_t kDocType = 0x4282;
constexpr std::uint32_t kVoid = 0xEC;
constexpr std::uint32_t kCrc32 = 0xBF;
constexpr std::uint32_t kSegment = 0x18538067;
constexpr std::uint32_t kSeekHead = 0x114D9B74;
constexpr std::uint32_t kSeek = 0x4DBB;
constexpr std::uint32_t kSeekId = 0x53AB;
constexpr std::uint32_t kSeekPosition = 0x53AC;
constexpr std::uint32_t kInfo = 0x1549A966;
constexpr std::uint32_t kTitle = 0x7BA9;
constexpr std::uint32_t kTracks = 0x1654AE6B;
constexpr std::uint32_t kCluster = 0x1F43B675;
constexpr std::uint32_t kTags = 0x1254C367;
constexpr std::uint32_t kTag = 0x7373;
constexpr std::uint32_t kTargets = 0x63C0;
constexpr std::uint32_t kTargetTypeValue = 0x68CA;
constexpr std::uint32_t kTagTrackUid = 0x63C5;
constexpr std::uint32_t kTagChapterUid = 0x63C4;
constexpr std::uint32_t kSimpleTag = 0x67C8;
constexpr std::uint32_t kTagName = 0x45A3;
constexpr std::uint32_t kTagString = 0x4487;

inline Bytes Id(std::uint32_t id) {
    Bytes out;
    PutBE(out, id, id > 0xFFFFFF ? 4 : id > 0xFFFF ? 3 : id > 0xFF ? 2 : 1);
    return out;
}

// A size as a variable-length integer, in the fewest bytes or in exactly `length` bytes.
inline Bytes Size(std::uint64_t size, int length = 0) {
    if (length == 0) {
        length = 1;
        while (size >= (std::uint64_t{1} << (7 * length)) - 1)
            ++length;
    }
    Bytes out;
    PutBE(out, size, length);
    out[0] = static_cast<char>(static_cast<unsigned char>(out[0]) | (0x80u >> (length - 1)));
    return out;
}

inline Bytes El(std::uint32_t id, std::string_view payload) {
    return Cat({Id(id), Size(payload.size()), payload});
}

// An element whose size field says "unknown" (all value bits set, 8 bytes).
inline Bytes Unknown(std::uint32_t id, std::string_view payload) {
    return Cat({Id(id), std::string_view("\x01\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8), payload});
}

inline Bytes Uint(std::uint32_t id, std::uint64_t value) {
    Bytes bytes;
    int n = 1;
    while (n < 8 && (value >> (8 * n)) != 0)
        ++n;
    PutBE(bytes, value, n);
    return El(id, bytes);
}

inline Bytes Header(std::string_view docType = "matroska") {
    return El(kEbml, Cat({Uint(0x4286, 1), Uint(0x42F7, 1), Uint(0x42F2, 4), Uint(0x42F3, 8),
                          El(kDocType, docType), Uint(0x4287, 4), Uint(0x4285, 2)}));
}

inline Bytes Info(std::string_view title) {
    return El(kInfo, Cat({Uint(0x2AD7B1, 1000000), El(kTitle, title), El(0x4D80, "Lavf59")}));
}

inline Bytes InfoWithoutTitle() {
    return El(kInfo, Cat({Uint(0x2AD7B1, 1000000), El(0x4D80, "Lavf59")}));
}

inline Bytes Tracks() {
    return El(kTracks, El(0xAE, Cat({Uint(0xD7, 1), Uint(0x73C5, 0x1234), Uint(0x83, 1)})));
}

inline Bytes Cluster(std::size_t payloadBytes) {
    return El(kCluster, Cat({Uint(0xE7, 0), El(0xA3, Bytes(payloadBytes, '\x81'))}));
}

inline Bytes SimpleTag(std::string_view name, std::string_view value) {
    return El(kSimpleTag, Cat({El(kTagName, name), El(kTagString, value)}));
}

// A tag whose Targets hold the given elements (none: the whole segment).
inline Bytes Tag(std::string_view targets, std::string_view simpleTags) {
    return El(kTag, Cat({El(kTargets, targets), simpleTags}));
}

inline Bytes Tags(std::string_view tags) {
    return El(kTags, tags);
}

inline Bytes SegmentTitleTag(std::string_view title) {
    return Tags(Tag("", Cat({SimpleTag("ENCODER", "Lavf59"), SimpleTag("TITLE", title)})));
}

struct Child {
    std::uint32_t id;
    Bytes bytes;
};

// The Segment's payload: a SeekHead pointing to the first child of each id in seekTo (none
// when seekTo is empty), then the children in order. Positions count from the payload's start.
inline Bytes SegmentPayload(const std::vector<Child>& children,
                            const std::vector<std::uint32_t>& seekTo) {
    const auto seekHead = [&](std::uint64_t base) {
        Bytes entries;
        for (const std::uint32_t id : seekTo) {
            std::uint64_t pos = base;
            for (const Child& c : children) {
                if (c.id == id) break;
                pos += c.bytes.size();
            }
            Bytes position;
            PutBE(position, pos, 8);  // fixed width: the SeekHead's size does not depend on it
            entries += El(kSeek, Cat({El(kSeekId, Id(id)), El(kSeekPosition, position)}));
        }
        return El(kSeekHead, entries);
    };
    Bytes out = seekTo.empty() ? Bytes() : seekHead(0);
    if (!seekTo.empty()) out = seekHead(out.size());
    for (const Child& c : children)
        out += c.bytes;
    return out;
}

inline Bytes File(std::string_view segmentPayload, std::string_view docType = "matroska") {
    return Cat({Header(docType), El(kSegment, segmentPayload)});
}

}  // namespace qm::media::test::ebml
