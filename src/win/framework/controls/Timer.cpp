#include "win/framework/controls/Timer.h"

#include "win/framework/Container.h"

namespace qm::win {

void Timer::Setup(const ControlRow& row, HWND) {
    interval_ = row.extra.interval ? row.extra.interval : 1000;
    enabled_ = !(row.flags & kDisabled);
    visible_ = false;
}

void Timer::Attach(Container& form) {
    window_ = form.ContainerHandle();
    Apply();
}

void Timer::Apply() {
    if (!window_) return;
    ::KillTimer(window_, Id());
    if (enabled_ && interval_ > 0) ::SetTimer(window_, Id(), interval_, nullptr);
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Apply();
}

void Timer::SetInterval(UINT ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Apply();
}

void Timer::Stop() {
    if (window_) ::KillTimer(window_, Id());
    window_ = nullptr;
}

}  // namespace qm::win
