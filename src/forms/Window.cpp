#include "forms/Window.h"

#include "forms/Application.h"

namespace forms {

Window::~Window() { DestroyHandle(); }

void Window::CreateHandle(const CreateParams& params) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (!GetClassInfoExW(instance, params.className, &existing)) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = params.classStyle;
        wc.lpfnWndProc = &Window::StaticWndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hIcon = params.icon;
        wc.lpszClassName = params.className;
        RegisterClassExW(&wc);
    }
    CreateWindowExW(params.exStyle, params.className, params.title, params.style, params.x, params.y, params.width,
                    params.height, params.parent, params.menuOrId, instance, this);
}

void Window::DestroyHandle() {
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

LRESULT Window::WndProc(UINT message, WPARAM wParam, LPARAM lParam) { return DefaultProc(message, wParam, lParam); }

LRESULT Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<Window*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    try {
        result = self->WndProc(message, wParam, lParam);
    } catch (...) {
        HandleCurrentException();
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

void HandleCurrentException() noexcept {
    try {
        if (Application) Application->HandleException(std::current_exception());
    } catch (...) {
        // The box itself failed; there is nobody left to tell.
    }
}

}  // namespace forms
