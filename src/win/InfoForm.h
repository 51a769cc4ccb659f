// The modal about window: the program's icon, name, description and version, a credit line with
// web and mail links, actions that open the program's folder and write a desktop shortcut, the
// operating-system line and a live memory and process readout. Any key closes it.
#pragma once

#include <windows.h>

#include <string>

#include "win/framework/App.h"
#include "win/framework/Form.h"
#include "win/framework/controls/Control.h"
#include "win/framework/controls/Image.h"
#include "win/framework/controls/Label.h"
#include "win/framework/controls/Panel.h"
#include "win/framework/controls/Timer.h"

namespace qm::win {

class TInfoForm : public Form {
  public:
    TInfoForm() = default;

    // Controls, in the order they are made (later ones draw over earlier ones).
    Panel PnlBack;
    Image AppIcon;
    Label LblExeName;
    Label lblComment;
    Label LblOsVersion;
    Label LblPhys;
    Label LblExeVersion;
    Label lblURL;
    Label lblMail;
    Label LblLaunchOnStartup;
    Label LblOpenStartup;
    Label LblLaunchOnDesktop;
    Label LblOpenFolderIn;
    Label LblLaunchOnSendTo;
    Label LblOpenSendTo;
    Label Label1;
    Label LblFileDescription;
    Label Label2;
    Label Label3;
    Label LblPageFile;
    Label LblVirtual;
    Label LblWorkingSetSize;
    Label LblPageFaultCount;
    Label LblPagefileUsage;
    Label LblPagedPoolUsage;
    Label LblNonPagedPoolUsage;
    Timer Timer1;
    Label LblProcessTime;

    // The Hint of a control: the web address that Label1's click opens; empty for any other
    // control. Hints are never shown as tool tips.
    std::string HintOf(const Control& control) const;

    // Event handlers.
    void FormCreate(Form& Sender);
    void lblURLClick(Control& Sender);
    void lblMailClick(Control& Sender);
    void FormKeyDown(Form& Sender, WORD& Key, ShiftState Shift);
    void FormPaint(Form& Sender, HDC Canvas);
    void LblExeNameClick(Control& Sender);
    // The three create-shortcut labels: Startup, Desktop, SendTo.
    void LblLaunchOnStartupClick(Control& Sender);
    // The three open-folder labels: Startup, the program's folder, SendTo.
    void LblOpenStartupClick(Control& Sender);
    void FormShow(Form& Sender);
    void Label1Click(Control& Sender);
    // Reads the memory and process figures and sets the nine readout labels.
    void UpdateStatus();
    void Timer1Timer(Control& Sender);

  protected:
    const FormDef& Definition() const override;
    void OnCreate() override { FormCreate(*this); }
    void OnShow() override { FormShow(*this); }
    void OnPaint(HDC dc) override { FormPaint(*this, dc); }
    void OnKeyDown(WORD& key, ShiftState shift) override { FormKeyDown(*this, key, shift); }
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  private:
    // WM_ERASEBKGND: the background is never erased.
    void WMEraseBackground(LRESULT& result);
    // Centres the window, at its present size, on the desktop's work area.
    void CenterOnWorkArea();
};

// The operating-system line as the about window shows it: the description without its first
// "Microsoft " (matched with case, first occurrence only).
std::string OsLineText(const std::string& osName);

// Creates the about window, shows it modally and frees it when it closes, also when showing
// raises (the error then goes on to the caller).
void ShowInfoForm();

}  // namespace qm::win
