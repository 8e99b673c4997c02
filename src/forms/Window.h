#pragma once
// One base for every window of the layer: the HWND, the object behind it and
// the boundary where no exception may pass into user32.

#include <windows.h>

namespace forms {

class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND WindowHandle() const { return hwnd_; }
    bool HandleAllocated() const { return hwnd_ != nullptr; }

protected:
    Window() = default;

    struct CreateParams {
        const wchar_t* className = nullptr;
        UINT classStyle = 0;
        DWORD exStyle = 0;
        DWORD style = 0;
        int x = 0, y = 0, width = 0, height = 0;
        HWND parent = nullptr;
        HMENU menuOrId = nullptr;
        const wchar_t* title = L"";
        HICON icon = nullptr;
    };
    // Registers the class on first use; the object is bound to the HWND at
    // WM_NCCREATE, before any other message can reach WndProc.
    void CreateHandle(const CreateParams& params);
    void DestroyHandle();

    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// Called at the window-procedure boundary with the exception in flight.
void HandleCurrentException() noexcept;

}  // namespace forms
