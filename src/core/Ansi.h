// Character stepping over narrow ANSI text. In a double-byte code page (Shift-JIS on the
// systems this program was made for) the second byte of a character can have the value of an
// ASCII delimiter such as "\" (0x5C); every scan here steps whole characters so such a byte is
// never taken for one.
#pragma once

#include <bitset>
#include <cstddef>
#include <string_view>

namespace qm {

// The lead bytes of a code page: a lead byte followed by any byte other than NUL forms one
// double-byte character. A lead byte at the very end of a text, or before a NUL, stands alone.
class LeadBytes {
  public:
    // A single-byte code page: no lead bytes.
    LeadBytes() = default;

    // From inclusive (first, last) range pairs as CPINFO.LeadByte lists them: `count` bytes,
    // read in pairs; a pair whose first byte is 0 ends the list early.
    LeadBytes(const unsigned char* ranges, std::size_t count);

    // Shift-JIS (code page 932): lead bytes 0x81-0x9F and 0xE0-0xFC.
    static LeadBytes Cp932();
    // Windows-1252: single-byte only.
    static LeadBytes Cp1252();

    bool IsLead(unsigned char byte) const { return lead_[byte]; }

    // Length in bytes (1 or 2) of the character that starts at `pos`; pos < text.size().
    std::size_t CharLength(std::string_view text, std::size_t pos) const;

  private:
    std::bitset<256> lead_;
};

// The first character of `text`: its first byte, or its first two where they form a
// double-byte character; empty for an empty text.
std::string_view FirstCharacter(std::string_view text, const LeadBytes& lead);

// Position of the last character of `text` that is a single byte found in `chars`, or npos.
std::size_t FindLastChar(std::string_view text, std::string_view chars, const LeadBytes& lead);

// Position of the first character of `text` that is a single byte found in `chars`, or npos.
std::size_t FindFirstChar(std::string_view text, std::string_view chars, const LeadBytes& lead);

// Start of the last character of `text` (npos when empty); with it the caller can tell a
// single-byte last character from the trail byte of a double-byte one.
std::size_t LastCharStart(std::string_view text, const LeadBytes& lead);

}  // namespace qm
