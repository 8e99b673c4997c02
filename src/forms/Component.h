#pragma once
// What every component of a form has: a name from its layout and the event
// signatures that forms bind to their own methods.

#include <windows.h>

#include <functional>
#include <string>

namespace forms {

class TComponent {
public:
    explicit TComponent(std::string name) : name_(std::move(name)) {}
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent() = default;

    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

using TNotifyEvent = std::function<void(TComponent* sender)>;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;

// The message record a form's message map works on; Result is what the
// window procedure returns.
struct TMessage {
    unsigned Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

}  // namespace forms
