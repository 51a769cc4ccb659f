// Matroska and WebM. The title is the TITLE simple tag of a tag that targets the whole segment,
// or else the segment's Info title. Info usually precedes the clusters and Tags often follow
// them; the reader walks the Segment's children up to the first Cluster and reaches the rest
// through the SeekHead, so it never reads cluster data. Every walk follows the fixed path
// Segment/Tags/Tag/SimpleTag, so no recursion is needed; nested simple tags are skipped.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/AsciiCase.h"
#include "media/ByteStream.h"
#include "media/Bytes.h"
#include "media/NestedReader.h"
#include "media/Readers.h"
#include "media/Text.h"

namespace qm::media {

namespace {

// Element IDs, with their length markers as written in the file.
constexpr std::uint32_t kIdEbml = 0x1A45DFA3;
constexpr std::uint32_t kIdDocType = 0x4282;
constexpr std::uint32_t kIdSegment = 0x18538067;
constexpr std::uint32_t kIdSeekHead = 0x114D9B74;
constexpr std::uint32_t kIdSeek = 0x4DBB;
constexpr std::uint32_t kIdSeekId = 0x53AB;
constexpr std::uint32_t kIdSeekPosition = 0x53AC;
constexpr std::uint32_t kIdInfo = 0x1549A966;
constexpr std::uint32_t kIdTitle = 0x7BA9;
constexpr std::uint32_t kIdCluster = 0x1F43B675;
constexpr std::uint32_t kIdTags = 0x1254C367;
constexpr std::uint32_t kIdTag = 0x7373;
constexpr std::uint32_t kIdTargets = 0x63C0;
constexpr std::uint32_t kIdTargetTypeValue = 0x68CA;
constexpr std::uint32_t kIdTagTrackUid = 0x63C5;
constexpr std::uint32_t kIdTagEditionUid = 0x63C9;
constexpr std::uint32_t kIdTagChapterUid = 0x63C4;
constexpr std::uint32_t kIdTagAttachmentUid = 0x63C6;
constexpr std::uint32_t kIdSimpleTag = 0x67C8;
constexpr std::uint32_t kIdTagName = 0x45A3;
constexpr std::uint32_t kIdTagString = 0x4487;

// The target type of a tag about the whole segment ("ALBUM", "MOVIE", "EPISODE"); it is also
// the value when a tag's Targets does not name one.
constexpr std::uint64_t kSegmentTargetType = 50;

// Children walked in one master element; more make the file malformed.
constexpr int kMaxChildren = 4096;
// Top-level elements (Void and the like) looked at after the EBML header for the Segment.
constexpr int kMaxTopLevel = 16;
// SeekHeads read per file (one may point to another) and seek targets followed.
constexpr int kMaxSeekHeads = 4;
constexpr std::size_t kMaxSeekTargets = 64;
// The EBML header is a few dozen bytes; a bigger one is not a media file.
constexpr std::uint64_t kMaxEbmlHeaderBytes = 4096;
// Short strings compared as a whole: DocType and TagName.
constexpr std::uint64_t kMaxNameBytes = 32;
// An element header: up to 4 bytes of ID and 8 bytes of size.
constexpr std::uint64_t kMaxHeaderBytes = 12;
constexpr std::uint64_t kMinHeaderBytes = 2;

struct Element {
    std::uint32_t id = 0;
    std::uint64_t data = 0;  // offset of the first byte after the header
    std::uint64_t end = 0;   // offset just past the element (the parent's end if size unknown)
    bool unknownSize = false;
    std::uint64_t Size() const { return end - data; }
};

struct SeekTarget {
    std::uint32_t id;
    std::uint64_t pos;
};

std::string_view TrimNuls(std::string_view s) {
    while (!s.empty() && s.back() == '\0')
        s.remove_suffix(1);
    return s;
}

class MatroskaReader : public NestedReader<MatroskaReader, Element, kMinHeaderBytes, kMaxChildren> {
  public:
    explicit MatroskaReader(ByteSource& src) : NestedReader(src) {}

    TitleResult Read() {
        unsigned char magic[4];
        if (src_.Size() < sizeof magic) return ReaderResult(ReadStatus::NotThisFormat, "");
        const StreamStatus s = ReadExact(src_, 0, magic, sizeof magic);
        if (s != StreamStatus::Ok) return ReaderResult(ToReadStatus(s), "");
        if (LoadU32BE(magic) != kIdEbml) return ReaderResult(ReadStatus::NotThisFormat, "");
        std::string docType;
        if (!ReadEbmlHeader(docType)) return ReaderResult(failure_, "");
        const char* format = nullptr;
        if (docType == "webm") {
            format = "webm";
        } else if (docType == "matroska") {
            format = "matroska";
        } else {
            return ReaderResult(ReadStatus::NotThisFormat, "");  // another EBML format
        }
        if (!ReadSegment()) return ReaderResult(failure_, format);
        // A segment-wide TITLE tag is what the shell shows; the Info title stands in when the
        // tag is missing or empty.
        if (tagTitle_ && !tagTitle_->empty())
            return ReaderResult(ReadStatus::Found, format, *tagTitle_);
        if (infoTitle_) return ReaderResult(ReadStatus::Found, format, *infoTitle_);
        return ReaderResult(tagTitle_ ? ReadStatus::Found : ReadStatus::NoTitle, format);
    }

  private:
    friend NestedReader;

    // Reads the header of the element at pos inside a parent that ends at end. IDs are 1 to 4
    // bytes with their marker kept; sizes are 1 to 8 bytes, all value bits set meaning
    // "unknown". With clip, a size running past the parent is cut to it (a Segment whose file
    // was cut short); otherwise that is malformed.
    bool ReadHeader(std::uint64_t pos, std::uint64_t end, Element& e, bool clip = false) {
        if (!WithinBudget()) return false;
        if (end - pos < kMinHeaderBytes) return Fail(ReadStatus::Malformed);
        const std::size_t avail =
            static_cast<std::size_t>(end - pos < kMaxHeaderBytes ? end - pos : kMaxHeaderBytes);
        unsigned char h[kMaxHeaderBytes];
        if (!ReadBytes(pos, h, avail)) return false;

        std::size_t idLength = 1;
        while (idLength <= 4 && !(h[0] & (0x80u >> (idLength - 1))))
            ++idLength;
        if (idLength > 4 || idLength >= avail) return Fail(ReadStatus::Malformed);
        std::uint32_t id = 0;
        for (std::size_t i = 0; i < idLength; ++i)
            id = (id << 8) | h[i];

        const unsigned char first = h[idLength];
        std::size_t sizeLength = 1;
        while (sizeLength <= 8 && !(first & (0x80u >> (sizeLength - 1))))
            ++sizeLength;
        if (sizeLength > 8 || idLength + sizeLength > avail) return Fail(ReadStatus::Malformed);
        std::uint64_t size = first & (0xFFu >> sizeLength);
        for (std::size_t i = 1; i < sizeLength; ++i)
            size = (size << 8) | h[idLength + i];
        const std::uint64_t unknown = (std::uint64_t{1} << (7 * sizeLength)) - 1;

        e.id = id;
        e.data = pos + idLength + sizeLength;
        e.unknownSize = size == unknown;
        if (e.unknownSize) {
            e.end = end;
        } else if (size <= end - e.data) {
            e.end = e.data + size;
        } else if (clip) {
            e.end = end;
        } else {
            return Fail(ReadStatus::Malformed);
        }
        return true;
    }

    // The header of a child walked with ForEachChild: only Segment and Cluster may have an
    // unknown size, and neither is walked that way.
    bool ReadChildHeader(std::uint64_t pos, std::uint64_t end, Element& e) {
        return ReadHeader(pos, end, e) && (!e.unknownSize || Fail(ReadStatus::Malformed));
    }

    bool ReadUint(const Element& e, std::uint64_t& value) {
        if (e.Size() > 8) return Fail(ReadStatus::Malformed);
        unsigned char b[8];
        const std::size_t n = static_cast<std::size_t>(e.Size());
        if (!ReadBytes(e.data, b, n)) return false;
        value = 0;
        for (std::size_t i = 0; i < n; ++i)
            value = (value << 8) | b[i];
        return true;
    }

    // Reads a short string compared as a whole; a longer one reads as empty (it cannot match).
    bool ReadName(const Element& e, std::string& out) {
        out.clear();
        if (e.Size() > kMaxNameBytes) return true;
        out.resize(static_cast<std::size_t>(e.Size()));
        if (!ReadBytes(e.data, &out[0], out.size())) return false;
        out.assign(TrimNuls(out));
        return true;
    }

    // Reads a UTF-8 field, cut to kMaxTitleBytes.
    bool ReadText(const Element& e, Candidate& out) {
        std::string bytes;
        if (!NestedReader::ReadText(e.data, e.Size(), bytes)) return false;
        out = TrimTrailingNuls(DecodeUtf8(bytes));
        return true;
    }

    bool ReadEbmlHeader(std::string& docType) {
        Element header;
        if (!ReadHeader(0, src_.Size(), header)) return false;
        if (header.unknownSize || header.Size() > kMaxEbmlHeaderBytes)
            return Fail(ReadStatus::Malformed);
        docType = "matroska";  // the default when the header does not name one
        ebmlEnd_ = header.end;
        return ForEachChild(header.data, header.end, [this, &docType](const Element& e) {
            return e.id != kIdDocType || ReadName(e, docType);
        });
    }

    bool ReadSegment() {
        const std::uint64_t fileEnd = src_.Size();
        std::uint64_t pos = ebmlEnd_;
        Element segment;
        for (int count = 0;; ++count) {
            if (count == kMaxTopLevel || fileEnd - pos < kMinHeaderBytes) return true;
            if (!ReadHeader(pos, fileEnd, segment, true)) return false;
            if (segment.id == kIdSegment) break;
            if (segment.unknownSize) return Fail(ReadStatus::Malformed);
            pos = segment.end;
        }
        segmentData_ = segment.data;
        segmentEnd_ = segment.end;

        // The children in file order, up to the first cluster.
        pos = segmentData_;
        for (int count = 0; segmentEnd_ - pos >= kMinHeaderBytes; ++count) {
            if (count == kMaxChildren) return Fail(ReadStatus::Malformed);
            Element e;
            if (!ReadHeader(pos, segmentEnd_, e)) return false;
            if (e.id == kIdCluster) break;
            if (e.unknownSize) return Fail(ReadStatus::Malformed);
            if (!ReadLevel1(pos, e)) return false;
            pos = e.end;
        }

        // Then what the seek heads point to and the walk has not reached; SeekHeads found on the
        // way add to the list.
        for (std::size_t i = 0; i < targets_.size(); ++i) {
            const SeekTarget target = targets_[i];
            if (Visited(target.pos)) continue;
            // An entry is a hint: one that leads to no element of its kind is left alone, so
            // a stale SeekHead cannot cost the title found on the way. A failing medium still
            // ends the read.
            Element e;
            if (!ReadHeader(target.pos, segmentEnd_, e)) {
                if (failure_ == ReadStatus::IoError) return false;
                continue;
            }
            if (e.id != target.id || e.unknownSize) continue;
            if (!ReadLevel1(target.pos, e)) return false;
        }
        return true;
    }

    bool Visited(std::uint64_t pos) const {
        for (const std::uint64_t v : visited_) {
            if (v == pos) return true;
        }
        return false;
    }

    // Reads one child of the Segment that matters here and remembers where it was.
    bool ReadLevel1(std::uint64_t pos, const Element& e) {
        if (e.id != kIdSeekHead && e.id != kIdInfo && e.id != kIdTags) return true;
        if (Visited(pos)) return true;
        visited_.push_back(pos);
        if (e.id == kIdInfo) {
            return ForEachChild(e.data, e.end, [this](const Element& child) {
                return child.id != kIdTitle || infoTitle_ || ReadText(child, infoTitle_);
            });
        }
        if (e.id == kIdTags) {
            return ForEachChild(e.data, e.end, [this](const Element& tag) {
                return tag.id != kIdTag || ReadTag(tag);
            });
        }
        if (++seekHeads_ > kMaxSeekHeads) return true;
        return ForEachChild(e.data, e.end, [this](const Element& seek) {
            return seek.id != kIdSeek || ReadSeek(seek);
        });
    }

    bool ReadSeek(const Element& seek) {
        std::uint64_t id = 0;
        std::uint64_t position = 0;
        bool haveId = false;
        bool havePosition = false;
        const bool ok = ForEachChild(seek.data, seek.end, [&](const Element& e) {
            if (e.id == kIdSeekId) {
                if (e.Size() > 4) return true;  // no element ID is longer
                haveId = true;
                return ReadUint(e, id);
            }
            if (e.id == kIdSeekPosition) {
                havePosition = true;
                return ReadUint(e, position);
            }
            return true;
        });
        if (!ok) return false;
        if (!haveId || !havePosition) return true;
        if (id != kIdInfo && id != kIdTags && id != kIdSeekHead) return true;
        // An entry pointing past the end is left alone: the file may have been cut short after
        // the part that holds the Info.
        if (position >= segmentEnd_ - segmentData_) return true;
        if (targets_.size() == kMaxSeekTargets) return true;
        targets_.push_back(SeekTarget{static_cast<std::uint32_t>(id), segmentData_ + position});
        return true;
    }

    bool ReadTag(const Element& tag) {
        bool wholeSegment = true;
        Candidate title;
        const bool ok = ForEachChild(tag.data, tag.end, [&](const Element& e) {
            if (e.id == kIdTargets) return ReadTargets(e, wholeSegment);
            if (e.id == kIdSimpleTag && !title) return ReadSimpleTag(e, title);
            return true;
        });
        if (!ok) return false;
        if (wholeSegment && title && !tagTitle_) tagTitle_ = std::move(title);
        return true;
    }

    // A tag is about the whole segment when its Targets name no track, edition, chapter or
    // attachment (a UID of 0 names none) and its target type is the segment's.
    bool ReadTargets(const Element& targets, bool& wholeSegment) {
        return ForEachChild(targets.data, targets.end, [&](const Element& e) {
            const bool uid = e.id == kIdTagTrackUid || e.id == kIdTagEditionUid ||
                             e.id == kIdTagChapterUid || e.id == kIdTagAttachmentUid;
            if (!uid && e.id != kIdTargetTypeValue) return true;
            std::uint64_t value = 0;
            if (!ReadUint(e, value)) return false;
            if (uid ? value != 0 : value != kSegmentTargetType) wholeSegment = false;
            return true;
        });
    }

    // A TITLE simple tag: the name compares without regard to letter case; the value is its
    // first TagString, read only once the name has been seen to match.
    bool ReadSimpleTag(const Element& simpleTag, Candidate& title) {
        bool isTitle = false;
        Element value;
        bool haveValue = false;
        const bool ok = ForEachChild(simpleTag.data, simpleTag.end, [&](const Element& e) {
            if (e.id == kIdTagName) {
                std::string name;
                if (!ReadName(e, name)) return false;
                isTitle = AsciiCompareIgnoreCase(name, "TITLE") == 0;
            } else if (e.id == kIdTagString && !haveValue) {
                value = e;
                haveValue = true;
            }
            return true;
        });
        if (!ok) return false;
        return !isTitle || !haveValue || ReadText(value, title);
    }

    std::uint64_t ebmlEnd_ = 0;
    std::uint64_t segmentData_ = 0;
    std::uint64_t segmentEnd_ = 0;
    std::vector<SeekTarget> targets_;
    std::vector<std::uint64_t> visited_;
    int seekHeads_ = 0;
    Candidate infoTitle_;
    Candidate tagTitle_;
};

}  // namespace

TitleResult ReadMatroskaTitle(ByteSource& src, const AnsiDecoder& /*ansi*/) {
    return MatroskaReader(src).Read();
}

}  // namespace qm::media
