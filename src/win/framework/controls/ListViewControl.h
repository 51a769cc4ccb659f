// A report-style list view with check boxes, grid lines, whole-row single selection and in-place
// editing of the first column; rows stay in the order added and a header click does nothing.
// Columns never become narrower than their minimum width. Its rows are read and written through
// the ListView view.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "win/framework/controls/Control.h"
#include "win/framework/Layout.h"
#include "win/framework/ListView.h"

namespace qm::win {

class ListViewControl : public Control {
  public:
    ListViewControl() : Control(ControlKind::ListView) {}
    ~ListViewControl() override;
    ListView View() const { return ListView(hwnd_); }
    int MinWidth(int column) const;
    void SetFont(HFONT font);

  protected:
    void Setup(const ControlRow& row, HWND parentWindow) override;
    bool OnNotify(NMHDR* hdr, LRESULT& result) override;

  private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    std::vector<int> minWidths_;
    bool enforcing_ = false;
};

}  // namespace qm::win
