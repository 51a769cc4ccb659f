// What forms and panels share: they hold child controls, draw the graphic ones (labels and
// images have no window of their own), route notifications and clicks to the child concerned,
// and can size themselves to their visible children.
#pragma once

#include <windows.h>

#include <vector>

#include "win/framework/Layout.h"

namespace qm::win {

class Control;

class Container {
  public:
    virtual ~Container() = default;
    virtual HWND ContainerHandle() const = 0;
    const std::vector<Control*>& Children() const { return children_; }
    HFONT ContainerFont() const { return containerFont_; }
    Color ContainerFontColor() const { return containerFontColor_; }
    Color ContainerColor() const { return containerColor_; }

    // Automatic sizing: when on, the container fits itself to its visible children now and
    // whenever one of them changes size: every visible child moves by the same amount so the
    // box around them starts at the client area's top left corner, and the client area is made
    // as large as that box. Hidden children neither count nor move.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    void FitToChildren();
    // Called by a child whose size changed.
    void ChildResized();

    // The topmost visible graphic child at a client point, or null.
    Control* GraphicAt(POINT pt) const;

  protected:
    friend class Control;
    friend class Form;
    virtual void ResizeClient(int width, int height) = 0;

    // The container's window is going and takes its children's windows with it: the controls
    // forget their handles (a panel forgets its own when its window is destroyed).
    void ForgetChildWindows();
    static void ForgetWindow(Control& c);
    // For a container going before its children: they no longer refer to it.
    void DetachChildren();

    void AddChild(Control* child) { children_.push_back(child); }
    void RemoveChild(Control* child);
    // Message handling shared by forms and panels; true when handled, with the result set.
    bool HandleContainerMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void PaintGraphics(HDC dc, const RECT& update);
    void FillBackground(HDC dc, const RECT& rc) const;
    // What a container paints itself, over its background and beneath its graphic controls.
    virtual void PaintOwn(HDC) {}

    std::vector<Control*> children_;
    HFONT containerFont_ = nullptr;
    Color containerFontColor_ = clWindowText;
    Color containerColor_ = clBtnFace;
    Control* pressed_ = nullptr;
    bool autoSize_ = false;
    bool fitting_ = false;

  private:
    // The three concerns of HandleContainerMessage, each true when it handled the message.
    // Background and painting: the container's own drawing, then its graphic children's.
    bool HandlePaint(UINT msg, WPARAM wParam, LRESULT& result);
    // WM_COMMAND and WM_NOTIFY go back to the child window that sent them.
    bool RouteToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Cursor shape and clicks on the graphic children.
    bool HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

}  // namespace qm::win
