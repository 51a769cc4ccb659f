// The form base: a top-level Unicode window owned by the application's owner window, built from
// a static layout table (one row per control), with its messages dispatched to member handlers.
// No exception leaves a window procedure: every dispatch hands it to the application's error
// display.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "win/framework/App.h"
#include "win/framework/Container.h"
#include "win/framework/Layout.h"
#include "win/framework/Raii.h"

namespace qm::win {

enum class FormBorder {
    Sizeable,  // the default frame: resizable, system menu, minimise and maximise boxes
    Dialog,    // single frame, not resizable; system menu and close box only
};

// The stored layout of a form.
struct FormDef {
    const char* name;          // component name, e.g. "Form1"
    const wchar_t* className;  // window class, e.g. L"TForm1"
    const wchar_t* caption;    // caption in the layout
    int left, top;             // screen position
    int clientWidth, clientHeight;
    FormBorder border;
    Color color;
    FontSpec font;
    bool keyPreview;
    const ControlRow* rows;
    std::size_t rowCount;
};

// The creation parameters of a form's window; a form may change them in CreateParams, and they
// are asked afresh for every window made for the form.
struct CreateParamsRec {
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
    HWND owner;
};

class Control;
class Timer;
template <class T>
struct WindowThunk;

class Form;
struct FormDeleter {
    void operator()(Form* form) const;
};
template <typename T>
using FormPtr = std::unique_ptr<T, FormDeleter>;

class Form : public Container {
  public:
    Form() = default;
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Makes a form of type T with its window and controls, after which its OnCreate has run.
    template <typename T, typename... Args>
    static FormPtr<T> New(Args&&... args) {
        FormPtr<T> form(new T(std::forward<Args>(args)...));
        form->Create();
        return form;
    }

    // Builds the window and the controls from the layout, then runs OnCreate (an error there is
    // shown through the error display and creation goes on).
    void Create();
    // Runs OnDestroy and destroys the window with its controls.
    void Destroy();

    HWND Handle() const { return hwnd_; }
    HWND ContainerHandle() const override { return hwnd_; }
    // The component name ("Form1").
    std::string Name() const { return Definition().name; }

    // The caption, narrow ANSI through the ANSI code page.
    std::string Caption() const;
    void SetCaption(const std::string& ansi);

    void Show();
    void Hide();
    bool Visible() const;
    // A modal form sets its modal result to Cancel; the main form ends the program; any other
    // form hides.
    void Close();
    bool Modal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool on) { keyPreview_ = on; }

    // Outer position and size on the screen.
    RECT BoundsRect() const;
    void SetBounds(int left, int top, int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;

    // Moves the focus to the next (or previous) tab stop.
    void SelectNext(bool forward);

    // Key events: a key pressed while the form or one of its controls has the focus. With key
    // preview on, the form sees it before the control; a handler that sets key to 0 keeps it
    // from the control.
    void KeyDown(WORD& key, ShiftState shift);

    // The font made for a layout font (kept for the form's lifetime).
    HFONT FontFor(const FontSpec& spec);

    static Form* FromHandle(HWND hwnd) { return App().FormFromHandle(hwnd); }

  protected:
    virtual const FormDef& Definition() const = 0;
    virtual void CreateParams(CreateParamsRec& params) const;

    virtual void OnCreate() {}
    virtual void OnShow() {}
    // After the background, before the graphic controls.
    virtual void OnPaint(HDC) {}
    virtual void OnKeyDown(WORD&, ShiftState) {}
    virtual void OnDestroy() {}
    // Messages a form handles itself; true when handled, with the result set.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

    void ResizeClient(int width, int height) override;
    void PaintOwn(HDC dc) override { OnPaint(dc); }

  private:
    friend struct WindowThunk<Form>;
    void Attached(HWND hwnd);
    void Detached();
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    void BuildControls(const FormDef& def);
    void Realign();
    void OrderTabStops();
    // The timers among the form's controls, on its panels too.
    std::vector<Timer*> Timers() const;
    void StopTimers();

    HWND hwnd_ = nullptr;
    bool keyPreview_ = false;
    bool modal_ = false;
    int modalResult_ = mrNone;
    bool destroying_ = false;
    HWND lastFocus_ = nullptr;
    std::vector<std::pair<const FontSpec*, UniqueFont>> fonts_;
    friend class Application;
};

// Row helpers: the form field and the handler of a row, named by member pointer:
//   {"Button1", ..., FieldOf<&TForm1::Button1>, HandlerOf<&TForm1::Button1Click>, {}}
template <typename M>
struct MemberOf;
template <typename C, typename T>
struct MemberOf<T C::*> {
    using Class = C;
};

template <auto Member>
Control& FieldOf(Form& form) {
    using F = typename MemberOf<decltype(Member)>::Class;
    return static_cast<F&>(form).*Member;
}

template <auto Method>
void HandlerOf(Form& form, Control& sender) {
    using F = typename MemberOf<decltype(Method)>::Class;
    (static_cast<F&>(form).*Method)(sender);
}

}  // namespace qm::win
