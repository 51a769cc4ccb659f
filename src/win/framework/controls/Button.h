// The system's push button; a click runs the row's handler.
#pragma once

#include <windows.h>

#include "win/framework/controls/Control.h"
#include "win/framework/Layout.h"

namespace qm::win {

class Button : public Control {
  public:
    Button() : Control(ControlKind::Button) {}

  protected:
    bool OnCommand(WORD code) override {
        if (code != BN_CLICKED) return false;
        Click();
        return true;
    }
    void Setup(const ControlRow& row, HWND parentWindow) override {
        Control::Setup(row, parentWindow);
        CreateWindowFor(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, parentWindow);
    }
};

}  // namespace qm::win
