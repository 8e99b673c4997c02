// The entry function: one copy per logon session, the three forms, the loop.

#include <windows.h>

#include "board/MainForm.h"
#include "dialogs/AboutBox.h"
#include "dialogs/SetupForm.h"
#include "forms/Application.h"

namespace {
// Like the framework's application object, it exists before WinMain runs and
// outlives it: the forms it owns are destroyed after the mutex is released.
forms::TApplication theApplication;
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Only whether the name exists matters; nothing ever waits on it.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "Kazeban");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return 0;
    }
    try {
        forms::Application->Initialize();
        // A tool window never gets a taskbar button, also later when shown.
        HWND appWindow = forms::Application->Handle();
        ShowWindow(appWindow, SW_HIDE);
        SetWindowLongA(appWindow, GWL_EXSTYLE, GetWindowLongA(appWindow, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
        forms::Application->CreateForm(MainForm);
        forms::Application->CreateForm(AboutBox);
        // Its creation reads the board's timer, so it comes after the board.
        forms::Application->CreateForm(SetupForm);
        forms::Application->ShowMainForm = false;
        forms::Application->Run();
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    } catch (const forms::Exception& e) {
        forms::Application->ShowException(e);
    } catch (...) {
        forms::Application->ShowException(forms::Exception(std::string()));
    }
    return 0;
}
