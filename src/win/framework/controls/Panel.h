// A window that holds other controls, with a plain border of its own colour around its client
// area and no bevel.
#pragma once

#include <windows.h>

#include "win/framework/Container.h"
#include "win/framework/controls/Control.h"
#include "win/framework/Layout.h"

namespace qm::win {

template <class T>
struct WindowThunk;

class Panel : public Control, public Container {
  public:
    Panel() : Control(ControlKind::Panel) {}
    ~Panel() override;
    HWND ContainerHandle() const override { return hwnd_; }
    int BorderWidth() const { return border_; }
    void SetBounds(int left, int top, int width, int height) override;

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
    void ResizeClient(int width, int height) override;

  private:
    friend struct WindowThunk<Panel>;
    void Attached(HWND hwnd) { hwnd_ = hwnd; }
    void Detached() { hwnd_ = nullptr; }
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    int border_ = 0;
};

}  // namespace qm::win
