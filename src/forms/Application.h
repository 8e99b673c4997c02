#pragma once
// The application object: the hidden window that owns every form, the forms
// themselves, the message loop and the standard exception box.

#include <windows.h>

#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "forms/Exception.h"
#include "forms/Window.h"

namespace forms {

class TForm;

class TApplication : public Window {
public:
    TApplication();
    ~TApplication() override;

    // The hidden, zero-sized top-level window. Owning every form keeps the
    // forms out of the taskbar.
    HWND Handle() const { return WindowHandle(); }

    // The executable's file name up to its first '.', the rest in lower case.
    const std::string& Title() const { return title_; }

    bool ShowMainForm = true;
    TForm* MainForm() const { return mainForm_; }

    void Initialize() {}

    // Allocates the form, points reference at it before its constructor runs
    // (constructors reach their own global), then runs OnCreate. A form that
    // fails to construct leaves reference null. The first form becomes the
    // main form.
    template <class T>
    void CreateForm(T*& reference);

    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }

    void ShowException(const Exception& e);
    void HandleException(std::exception_ptr error);

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void AdoptForm(TForm* form);

    std::string title_;
    TForm* mainForm_ = nullptr;
    std::vector<std::unique_ptr<TForm>> forms_;
    bool terminated_ = false;
};

extern TApplication* Application;

// The exception box's text: a '.' is added unless the message is empty or
// already ends in a character that sorts at or before '.'.
std::string ExceptionBoxText(const std::string& message);

}  // namespace forms

#include "forms/Form.h"

namespace forms {

template <class T>
void TApplication::CreateForm(T*& reference) {
    void* memory = ::operator new(sizeof(T));
    reference = static_cast<T*>(memory);
    T* form = nullptr;
    try {
        form = new (memory) T(this);
    } catch (...) {
        reference = nullptr;
        ::operator delete(memory);
        throw;
    }
    try {
        form->DoCreate();
    } catch (...) {
        reference = nullptr;
        delete form;
        throw;
    }
    AdoptForm(form);
}

}  // namespace forms
