// A non-owning view of a report-style list view with thin inline wrappers. Row texts are the
// program's narrow ANSI strings and go through the control's ANSI messages.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "win/framework/Raii.h"

namespace qm::win {

class ListView {
  public:
    ListView() = default;
    explicit ListView(HWND hwnd) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    int Count() const { return static_cast<int>(::SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }

    // Appends a row with the given caption; returns its index, -1 on failure.
    int AppendRow(const std::string& caption) const {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = Count();
        item.pszText = const_cast<char*>(caption.c_str());
        return static_cast<int>(
            ::SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }

    // Column 0 is the caption; sub-item k is column k.
    void SetText(int row, int column, const std::string& text) const {
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = const_cast<char*>(text.c_str());
        ::SendMessageA(hwnd_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
    }

    std::string Text(int row, int column) const {
        // The control copies at most the buffer size; grow until the text fits.
        std::vector<char> buf(512);
        for (;;) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = buf.data();
            item.cchTextMax = static_cast<int>(buf.size());
            int n =
                static_cast<int>(::SendMessageA(hwnd_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                                                reinterpret_cast<LPARAM>(&item)));
            if (n < static_cast<int>(buf.size()) - 1 || buf.size() >= (1u << 20))
                return std::string(item.pszText ? item.pszText : "");
            buf.resize(buf.size() * 2);
        }
    }

    bool Checked(int row) const {
        UINT state = static_cast<UINT>(
            ::SendMessageA(hwnd_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
        return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
    }
    void SetChecked(int row, bool checked) const {
        LVITEMA item = {};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        ::SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
    }

    bool DeleteRow(int row) const {
        return ::SendMessageA(hwnd_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0) != 0;
    }
    // Removes every row in one batch with redrawing suspended.
    void Clear() const;

    int ColumnWidth(int column) const {
        return static_cast<int>(::SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, column, 0));
    }
    void SetColumnWidth(int column, int width) const {
        ::SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                       MAKELPARAM(width, 0));
    }
    // Widens a column to at least the given width; never narrows it.
    void EnsureColumnWidth(int column, int width) const {
        if (ColumnWidth(column) < width) SetColumnWidth(column, width);
    }

    // Width in pixels of a narrow text measured with the list's own font.
    int TextWidth(const std::string& text) const {
        WindowDC dc(hwnd_);
        if (!dc.Get()) return 0;
        HFONT font = reinterpret_cast<HFONT>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0));
        SelectGuard select(dc.Get(), font);
        SIZE size = {};
        ::GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    }

  private:
    HWND hwnd_ = nullptr;
};

// Suspends a list's redrawing while it lives. A visible list that repaints itself for every row
// added or deleted costs Wine milliseconds a row; with redrawing off the rows cost next to
// nothing and the list is repainted once. On every way out, an exception's included, redrawing
// comes back on and the whole list is repainted. The message does not nest: a guard must not be
// made while another one for the same list lives.
class RedrawSuspended {
  public:
    explicit RedrawSuspended(const ListView& list) : hwnd_(list.Handle()) {
        ::SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawSuspended() {
        ::SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        ::RedrawWindow(hwnd_, nullptr, nullptr,
                       RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    RedrawSuspended(const RedrawSuspended&) = delete;
    RedrawSuspended& operator=(const RedrawSuspended&) = delete;

  private:
    HWND hwnd_;
};

inline void ListView::Clear() const {
    RedrawSuspended suspended(*this);
    ::SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0);
}

}  // namespace qm::win
