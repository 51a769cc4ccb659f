// The main window: the depth limit, the three buttons, the instructions and the list of rename
// candidates; files and folders dropped on it are scanned into the list.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "win/framework/Form.h"
#include "win/framework/controls/Button.h"
#include "win/framework/controls/Control.h"
#include "win/framework/controls/Edit.h"
#include "win/framework/controls/Label.h"
#include "win/framework/controls/ListViewControl.h"
#include "win/framework/controls/Panel.h"
#include "win/framework/controls/UpDown.h"

namespace qm::win {

class TForm1 : public Form {
  public:
    TForm1() = default;

    Panel Panel1;
    Edit Edit1;
    UpDown UpDown1;
    Label Label1;
    ListViewControl LView;
    Button Button1;
    Button Button2;
    Button Button3;
    Label Label2;
    Label Label3;
    Label Label4;
    Label Label5;
    Label Label6;
    Label Label7;
    Label Label8;
    Label Label9;
    Label Label10;
    Label Label11;
    Label Label12;

    void FormCreate(Form& sender);
    void Button1Click(Control& sender);
    void Button2Click(Control& sender);
    void Button3Click(Control& sender);

    // A dropped file or folder: examines the file, or walks the folder down to the depth limit
    // the up-down control holds, appending a row for every file whose title differs from its
    // name.
    virtual void AddPath(const std::string& path, int depth);

    // Every dropped item in the order the drop lists them, each handed to AddPath with depth 0,
    // under the hourglass cursor and with the list's redrawing suspended. The drop is released,
    // the cursor set back and the list repainted also when examining an item fails; the error
    // then goes on to the error display.
    void WMDropFiles(HDROP drop);

    static const FormDef& Layout();

  protected:
    const FormDef& Definition() const override { return Layout(); }
    void CreateParams(CreateParamsRec& params) const override;
    void OnCreate() override;
    void OnDestroy() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace qm::win
