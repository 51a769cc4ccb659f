// The program block: start-up order, message loop, shut-down order.
#include <windows.h>

#include <optional>

#include "win/framework/App.h"
#include "win/framework/Form.h"
#include "win/Unit1.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace qm::win;
    // The Info unit's initialisation: the GUI thread enters its single-threaded COM apartment
    // before any window exists.
    std::optional<ComApartment> infoCom;
    infoCom.emplace();
    int exitCode = 0;
    try {
        // The application object: the runtime's COM start-up (a second CoInitialize), the
        // locale's number separators, the common controls and the owner window.
        App().Initialize(instance);
        {
            FormPtr<TForm1> form1 = Form::New<TForm1>();
            exitCode = App().Run(*form1);
        }
    } catch (...) {
        App().HandleException();
        exitCode = 1;
    }
    // Finalisation in reverse order: Info's CoUninitialize, then the runtime's.
    infoCom.reset();
    App().Finalize();
    return exitCode;
}
