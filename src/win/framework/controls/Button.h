// The system's push button; a click runs the row's handler.
#pragma once

#include <windows.h>

#include "win/framework/controls/Control.h"

namespace qm::win {

class Button : public Control {
  public:
    Button() : Control(ControlKind::Button) {}

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override {
        Control::Setup(row, parentWindow);
        CreateWindowFor(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, parentWindow);
    }
    bool OnCommand(WORD code) override {
        if (code != BN_CLICKED) return false;
        Click();
        return true;
    }
};

}  // namespace qm::win
