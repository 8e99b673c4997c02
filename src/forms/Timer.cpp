#include "forms/Timer.h"

#include "forms/Exception.h"

namespace forms {

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(std::string name, std::uint32_t interval, bool enabled)
    : TComponent(std::move(name)), interval_(interval), enabled_(enabled) {
    // A message-only window of its own: ticks reach this object whatever
    // form is open, modal loops included.
    CreateParams params;
    params.className = L"TTimerWindow";
    params.parent = HWND_MESSAGE;
    CreateHandle(params);
    UpdateTimer();
}

TTimer::~TTimer() {
    if (HandleAllocated()) KillTimer(WindowHandle(), kTimerId);
}

void TTimer::SetInterval(std::uint32_t interval) {
    if (interval == interval_) return;
    interval_ = interval;
    UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    KillTimer(WindowHandle(), kTimerId);
    if (!enabled_ || interval_ == 0) return;
    // SetTimer takes at most USER_TIMER_MAXIMUM (about 24.8 days); a longer
    // interval is as good as never within one logon.
    UINT elapse = interval_ > USER_TIMER_MAXIMUM ? USER_TIMER_MAXIMUM : interval_;
    if (!SetTimer(WindowHandle(), kTimerId, elapse, nullptr)) throw Exception("タイマーを取得できません");
}

LRESULT TTimer::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTimerId) {
        if (OnTimer) OnTimer(this);
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}

}  // namespace forms
