#pragma once
// A timer component: an interval in milliseconds and an on/off switch.
// Every real change restarts the count; an interval of 0 never fires.

#include <windows.h>

#include <cstdint>

#include "forms/Component.h"
#include "forms/Window.h"

namespace forms {

class TTimer : public TComponent, private Window {
public:
    explicit TTimer(std::string name, std::uint32_t interval = 1000, bool enabled = true);
    ~TTimer() override;

    std::uint32_t Interval() const { return interval_; }
    void SetInterval(std::uint32_t interval);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    TNotifyEvent OnTimer;

private:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void UpdateTimer();

    std::uint32_t interval_;
    bool enabled_;
};

}  // namespace forms
