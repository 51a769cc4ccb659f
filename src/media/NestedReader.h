// The footing of the readers that walk nested boxes (MP4) or elements (Matroska). Their walks
// return plain bool: a step that fails records why (the file is malformed, or the medium failed)
// and returns false, and the reader turns the recorded reason into its outcome once, at the top.
// The derived reader says how one child's header is read (ReadChildHeader); this class walks the
// children of a parent with the per-parent limit and reads bytes and text fields for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "media/ByteSource.h"
#include "media/ByteStream.h"
#include "media/ReadBudget.h"
#include "media/TitleReader.h"

namespace qm::media {

// A title field once found; it may hold an empty text.
using Candidate = std::optional<std::u16string>;

// Child: the header record the derived reader fills (it has an `end`, the offset just past the
// child). kMinHeaderBytes: fewer bytes than this left in a parent are padding, not a child.
// kMaxChildren: children walked in one parent; more make the file malformed.
template <typename Derived, typename Child, std::uint64_t kMinHeaderBytes, int kMaxChildren>
class NestedReader {
  protected:
    explicit NestedReader(ByteSource& src) : src_(src), budget_(src) {}

    bool Fail(ReadStatus status) {
        failure_ = status;
        return false;
    }

    // Fails as Malformed once the reader has spent its budget, so that every header read is
    // counted however the file nests its boxes.
    bool WithinBudget() { return !budget_.Exhausted() || Fail(ReadStatus::Malformed); }

    bool ReadBytes(std::uint64_t offset, void* dst, std::size_t n) {
        const StreamStatus s = ReadExact(src_, offset, dst, n);
        return s == StreamStatus::Ok || Fail(ToReadStatus(s));
    }

    // Reads a text field of `length` bytes at offset, cut to kMaxTitleBytes.
    bool ReadText(std::uint64_t offset, std::uint64_t length, std::string& out) {
        const std::size_t take =
            static_cast<std::size_t>(length < kMaxTitleBytes ? length : kMaxTitleBytes);
        out.resize(take);
        return ReadBytes(offset, &out[0], take);
    }

    // Calls visit(child) for each child in [begin, end), stopping at the first false.
    template <typename Visit>
    bool ForEachChild(std::uint64_t begin, std::uint64_t end, Visit visit) {
        std::uint64_t pos = begin;
        for (int count = 0; end - pos >= kMinHeaderBytes; ++count) {
            if (count == kMaxChildren) return Fail(ReadStatus::Malformed);
            Child child;
            if (!static_cast<Derived*>(this)->ReadChildHeader(pos, end, child) || !visit(child))
                return false;
            pos = child.end;
        }
        return true;
    }

    ByteSource& src_;
    ReadStatus failure_ = ReadStatus::Malformed;  // why the last false return happened

  private:
    ReadBudget budget_;
};

}  // namespace qm::media
