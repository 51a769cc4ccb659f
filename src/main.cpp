#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxW(nullptr, L"Quillmark", L"Quillmark", MB_OK);
    return 0;
}
