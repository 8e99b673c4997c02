#include "forms/Application.h"

#include "forms/Text.h"

namespace forms {

TApplication* Application = nullptr;

namespace {

std::string TitleFromModule() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
    size_t slash = name.find_last_of("\\/:");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    size_t dot = name.find('.');
    if (dot != std::string::npos) name.erase(dot);
    // CharLowerBuffA knows which bytes are halves of double-byte characters.
    if (name.size() > 1) CharLowerBuffA(name.data() + 1, static_cast<DWORD>(name.size() - 1));
    return name;
}

}  // namespace

std::string ExceptionBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

TApplication::TApplication() : title_(TitleFromModule()) {
    Application = this;
    CreateParams params;
    params.className = L"TApplication";
    params.style = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
    params.x = GetSystemMetrics(SM_CXSCREEN) / 2;
    params.y = GetSystemMetrics(SM_CYSCREEN) / 2;
    std::wstring title = ToWide(title_);
    params.title = title.c_str();
    params.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    CreateHandle(params);
}

TApplication::~TApplication() {
    // The last created goes first: later forms may refer to earlier ones.
    while (!forms_.empty()) forms_.pop_back();
    mainForm_ = nullptr;
    DestroyHandle();
    if (Application == this) Application = nullptr;
}

void TApplication::AdoptForm(TForm* form) {
    forms_.emplace_back(form);
    if (!mainForm_) mainForm_ = form;
}

void TApplication::Run() {
    if (ShowMainForm && mainForm_) mainForm_->Show();
    MSG msg;
    while (!terminated_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    terminated_ = true;
}

void TApplication::Terminate() {
    if (terminated_) return;
    terminated_ = true;
    PostQuitMessage(0);
}

void TApplication::ShowException(const Exception& e) {
    MessageBoxW(Handle(), ToWide(ExceptionBoxText(e.Message())).c_str(), ToWide(title_).c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        ShowException(e);
    } catch (const std::exception& e) {
        ShowException(Exception(e.what()));
    } catch (...) {
        ShowException(Exception(std::string()));
    }
}

LRESULT TApplication::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            // Closing the application means closing its main form.
            if (mainForm_) mainForm_->Close();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) terminated_ = true;
            return 0;
        default:
            return DefaultProc(message, wParam, lParam);
    }
}

}  // namespace forms
