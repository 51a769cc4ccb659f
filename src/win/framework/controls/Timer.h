// A window timer of its form: while enabled, its handler runs every interval. The form's window
// receives the ticks and hands each to the timer among its controls whose Id it carries.
#pragma once

#include <windows.h>

#include "win/framework/controls/Control.h"
#include "win/framework/Layout.h"

namespace qm::win {

class Container;

class Timer : public Control {
  public:
    Timer() : Control(ControlKind::Timer) {}
    ~Timer() override { Stop(); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    UINT Interval() const { return interval_; }
    void SetInterval(UINT ms);
    UINT_PTR Id() const { return reinterpret_cast<UINT_PTR>(this); }
    // The form's window is going: the timer stops for good.
    void Stop();

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
    void Attach(Container& form) override;

  private:
    void Apply();
    HWND window_ = nullptr;
    UINT interval_ = 1000;
    bool enabled_ = true;
};

}  // namespace qm::win
