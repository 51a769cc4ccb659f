#include "win/framework/controls/ListViewControl.h"

#include <algorithm>
#include <cstddef>

#include "win/framework/App.h"

namespace qm::win {

namespace {
// The window procedure of the system's list view class, which ListProc stands in front of.
WNDPROC g_listClassProc = nullptr;
}  // namespace

ListViewControl::~ListViewControl() {
    if (hwnd_ && g_listClassProc)
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listClassProc));
}

void ListViewControl::Setup(const ControlRow& row, HWND parentWindow) {
    Control::Setup(row, parentWindow);
    caption_.clear();
    CreateWindowFor(WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_EDITLABELS | WS_TABSTOP,
                    WS_EX_CLIENTEDGE, parentWindow);
    const DWORD ex = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    ::SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    for (std::size_t i = 0; i < row.extra.columnCount; ++i) {
        const ColumnDef& def = row.extra.columns[i];
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.fmt = LVCFMT_LEFT;
        col.cx = std::max(def.width, def.minWidth);
        col.pszText = const_cast<wchar_t*>(def.header);
        ::SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
        minWidths_.push_back(def.minWidth);
    }
    const LONG_PTR classProc =
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc));
    if (!g_listClassProc) g_listClassProc = reinterpret_cast<WNDPROC>(classProc);
}

int ListViewControl::MinWidth(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= minWidths_.size()) return 0;
    return minWidths_[static_cast<std::size_t>(column)];
}

void ListViewControl::SetFont(HFONT font) {
    font_ = font;
    if (hwnd_) ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool ListViewControl::OnNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
        case LVN_BEGINLABELEDITW:
        case LVN_BEGINLABELEDITA: {
            // The proposed name (column 0) is the only text the user may edit.
            const int sub = hdr->code == LVN_BEGINLABELEDITW
                                ? reinterpret_cast<NMLVDISPINFOW*>(hdr)->item.iSubItem
                                : reinterpret_cast<NMLVDISPINFOA*>(hdr)->item.iSubItem;
            result = sub == 0 ? FALSE : TRUE;
            return true;
        }
        case LVN_ENDLABELEDITW:
            result = reinterpret_cast<NMLVDISPINFOW*>(hdr)->item.pszText != nullptr;
            return true;
        case LVN_ENDLABELEDITA:
            result = reinterpret_cast<NMLVDISPINFOA*>(hdr)->item.pszText != nullptr;
            return true;
        case LVN_COLUMNCLICK:
            result = 0;
            return true;
        default:
            return false;
    }
}

// The header tells its list view of every width change; a column that would become narrower
// than its minimum keeps the minimum. The procedure stands in front of the class's own in the
// window itself, not through SetWindowSubclass: that one looks its chain up in a window property
// for every message, and Wine keeps window properties in its server, so every message to the
// list, a scan's thousands included, would cost a round trip or two.
LRESULT CALLBACK ListViewControl::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WNDPROC classProc = g_listClassProc;
    try {
        auto* self = static_cast<ListViewControl*>(Control::FromHandle(hwnd));
        if (msg == WM_NOTIFY && self) {
            auto* nm = reinterpret_cast<NMHEADERW*>(lParam);
            const UINT code = nm->hdr.code;
            if ((code == HDN_ITEMCHANGEDW || code == HDN_ITEMCHANGEDA) && nm->pitem &&
                (nm->pitem->mask & HDI_WIDTH) && !self->enforcing_) {
                const LRESULT r = ::CallWindowProcW(classProc, hwnd, msg, wParam, lParam);
                const int column = nm->iItem;
                const int min = self->MinWidth(column);
                const int width =
                    static_cast<int>(::SendMessageW(hwnd, LVM_GETCOLUMNWIDTH, column, 0));
                if (width < min) {
                    self->enforcing_ = true;
                    ::SendMessageW(hwnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                                   MAKELPARAM(min, 0));
                    self->enforcing_ = false;
                }
                return r;
            }
        }
    } catch (...) {
        App().HandleException();
    }
    return ::CallWindowProcW(classProc, hwnd, msg, wParam, lParam);
}

}  // namespace qm::win
