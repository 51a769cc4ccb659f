// Builders for ISO base media (MP4, QuickTime) boxes in tests.
#pragma once

#include <string>
#include <string_view>

#include "media/TestUtil.h"

namespace qm::media::test::iso {

// "©nam" as its four bytes.
inline const std::string kName = "\xA9nam";

inline Bytes Box(std::string_view type, std::string_view payload) {
    Bytes out;
    PutBE(out, 8 + payload.size(), 4);
    return Cat({out, type, payload});
}

// A box with size 1 and a 64-bit size after the type; declared overrides the true size.
inline Bytes Box64(std::string_view type, std::string_view payload, std::uint64_t declared = 0) {
    Bytes size;
    PutBE(size, declared != 0 ? declared : 16 + payload.size(), 8);
    return Cat({std::string_view("\0\0\0\1", 4), type, size, payload});
}

// A box with size 0: it runs to the end of its parent.
inline Bytes BoxToEnd(std::string_view type, std::string_view payload) {
    return Cat({std::string_view("\0\0\0\0", 4), type, payload});
}

// A box header claiming a size the bytes after it do not match.
inline Bytes BoxClaiming(std::string_view type, std::uint32_t size, std::string_view payload = {}) {
    Bytes out;
    PutBE(out, size, 4);
    return Cat({out, type, payload});
}

inline Bytes Ftyp() {
    return Box("ftyp", std::string_view("isom\0\0\x02\0isomiso2mp41", 20));
}

inline Bytes Data(std::string_view value, std::uint32_t type = 1) {
    Bytes payload;
    PutBE(payload, type, 4);
    PutBE(payload, 0, 4);  // locale
    return Box("data", payload.append(value));
}

inline Bytes Hdlr(std::string_view handler) {
    Bytes payload(8, '\0');  // version, flags, pre-defined
    payload.append(handler);
    payload.append(13, '\0');  // reserved, empty name
    return Box("hdlr", payload);
}

// meta as MP4 writes it: a full box (version and flags first) holding hdlr and ilst.
inline Bytes MetaFull(std::string_view ilstItems) {
    return Box("meta", Cat({Bytes(4, '\0'), Hdlr("mdir"), Box("ilst", ilstItems)}));
}

// meta as QuickTime writes it: a plain box starting with hdlr.
inline Bytes MetaPlain(std::string_view ilstItems) {
    return Box("meta", Cat({Hdlr("mdir"), Box("ilst", ilstItems)}));
}

inline Bytes IlstName(std::string_view utf8) {
    return Box(kName, Data(utf8));
}

// A QuickTime text item: 16-bit length, 16-bit language, text.
inline Bytes QtName(std::string_view text, std::uint16_t language = 0x55C4 /* "und" */) {
    Bytes payload;
    PutBE(payload, text.size(), 2);
    PutBE(payload, language, 2);
    return Box(kName, payload.append(text));
}

// QuickTime metadata keys: a keys box naming each key in the "mdta" namespace.
inline Bytes Keys(std::initializer_list<std::string_view> names) {
    Bytes payload(4, '\0');  // version, flags
    PutBE(payload, names.size(), 4);
    for (const std::string_view name : names) {
        PutBE(payload, 8 + name.size(), 4);
        payload.append("mdta").append(name);
    }
    return Box("keys", payload);
}

// An ilst item of keyed metadata: its type is the 1-based index of its key.
inline Bytes KeyedItem(std::uint32_t index, std::string_view data) {
    Bytes type;
    PutBE(type, index, 4);
    return Box(type, data);
}

// meta with handler "mdta"; full (version and flags first) as ffmpeg writes it in udta, plain
// as QuickTime writes it in moov.
inline Bytes MetaKeyed(std::string_view keys, std::string_view ilstItems, bool full = false) {
    return Box("meta",
               Cat({full ? Bytes(4, '\0') : Bytes(), Hdlr("mdta"), keys, Box("ilst", ilstItems)}));
}

// The 3GPP asset title: version and flags, a packed language ("und"), then the text as given.
inline Bytes Titl(std::string_view text) {
    Bytes payload(4, '\0');
    PutBE(payload, 0x55C4, 2);
    return Box("titl", payload.append(text));
}

inline Bytes Mvhd() {
    return Box("mvhd", Bytes(100, '\0'));
}

inline Bytes Trak() {
    return Box("trak", Cat({Box("tkhd", Bytes(84, '\0')), Box("mdia", Bytes(64, '\x55'))}));
}

// A typical file: ftyp, moov (mvhd, trak, udta/meta/ilst/©nam), mdat.
inline Bytes Mp4WithTitle(std::string_view utf8) {
    return Cat({Ftyp(), Box("moov", Cat({Mvhd(), Trak(), Box("udta", MetaFull(IlstName(utf8)))})),
                Box("mdat", Bytes(256, '\xAB'))});
}

}  // namespace qm::media::test::iso
