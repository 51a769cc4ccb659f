#include "win/framework/controls/UpDown.h"

#include "win/framework/AnsiText.h"
#include "win/framework/ComError.h"
#include "win/framework/Container.h"

namespace qm::win {

void UpDown::Setup(const ControlRow& row, HWND parentWindow) {
    Control::Setup(row, parentWindow);
    min_ = row.extra.min;
    max_ = row.extra.max;
    start_ = row.extra.position;
    buddy_ = row.extra.buddy ? row.extra.buddy : "";
    caption_.clear();
    CreateWindowFor(UPDOWN_CLASSW, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0,
                    parentWindow);
}

void UpDown::Attach(Container& form) {
    const RECT own = bounds_;
    Control* buddy = nullptr;
    if (!buddy_.empty()) {
        for (Container* c : {&form, parent_}) {
            if (!c) continue;
            for (Control* child : c->Children())
                if (child->Name() == buddy_) buddy = child;
        }
        if (!buddy || !buddy->Handle())
            throw Error(L"Up-down buddy not found: " + AnsiToWide(buddy_));
    }
    ::SendMessageW(hwnd_, UDM_SETRANGE, 0, MAKELPARAM(max_, min_));
    if (buddy) {
        const RECT edit = buddy->Bounds();
        ::SendMessageW(hwnd_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy->Handle()), 0);
        // Setting the buddy moves both; the layout has the final places.
        buddy->SetBounds(edit.left, edit.top, edit.right - edit.left, edit.bottom - edit.top);
        SetBounds(own.left, own.top, own.right - own.left, own.bottom - own.top);
    }
    SetPosition(static_cast<short>(start_));
}

}  // namespace qm::win
