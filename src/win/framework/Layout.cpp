#include "win/framework/Layout.h"

#include "win/framework/ComError.h"

namespace qm::win {

COLORREF ResolveColor(Color color) {
    if (color == clParent) return 0;
    if (color & kSystemColor) return ::GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color);
}

UniqueFont CreateFontFrom(const FontSpec& spec) {
    UniqueFont font(::CreateFontW(-spec.height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE,
                                  spec.underline ? TRUE : FALSE, FALSE, spec.charset,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, spec.face));
    if (!font) throw Error(L"CreateFont failed");
    return font;
}

}  // namespace qm::win
