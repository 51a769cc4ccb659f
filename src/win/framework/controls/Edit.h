// The system's single-line edit box, scrolling sideways as the text grows.
#pragma once

#include <windows.h>

#include "win/framework/controls/Control.h"
#include "win/framework/Layout.h"

namespace qm::win {

class Edit : public Control {
  public:
    Edit() : Control(ControlKind::Edit) {}

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override {
        Control::Setup(row, parentWindow);
        CreateWindowFor(L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                        parentWindow);
    }
};

}  // namespace qm::win
