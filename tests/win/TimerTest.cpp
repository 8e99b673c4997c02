#include <gtest/gtest.h>
#include <windows.h>

#include "forms/Timer.h"

namespace {

// Dispatches messages for ms milliseconds, as the application's loop would.
void Pump(DWORD ms) {
    ULONGLONG end = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
}

struct CountingTimer {
    explicit CountingTimer(std::uint32_t interval) : timer("Timer1", interval, true) {
        timer.OnTimer = [this](forms::TComponent* sender) {
            EXPECT_EQ(sender, &timer);
            ++ticks;
        };
    }
    forms::TTimer timer;
    int ticks = 0;
};

// Margins of hundreds of milliseconds on either side of every deadline keep
// these about order, not about speed.
TEST(Timer, FiresAtItsInterval) {
    CountingTimer t(100);
    Pump(750);
    EXPECT_GE(t.ticks, 3);
}

TEST(Timer, ZeroNeverFires) {
    CountingTimer t(0);
    Pump(400);
    EXPECT_EQ(t.ticks, 0);
    t.timer.SetEnabled(false);
    t.timer.SetEnabled(true);
    Pump(400);
    EXPECT_EQ(t.ticks, 0);
}

TEST(Timer, StoppingAndStartingCountsAfresh) {
    CountingTimer t(1000);
    Pump(600);
    t.timer.SetEnabled(false);
    t.timer.SetEnabled(true);
    Pump(600);  // past the first deadline, short of the new one
    EXPECT_EQ(t.ticks, 0);
    Pump(800);
    EXPECT_EQ(t.ticks, 1);
}

TEST(Timer, SettingTheSameIntervalChangesNothing) {
    CountingTimer t(1000);
    Pump(600);
    t.timer.SetInterval(1000);
    Pump(600);
    EXPECT_EQ(t.ticks, 1);
}

TEST(Timer, ADisabledTimerIsSilentAndTheLargestIntervalIsAccepted) {
    CountingTimer t(50);
    t.timer.SetEnabled(false);
    Pump(300);
    EXPECT_EQ(t.ticks, 0);
    // -1 in the settings file: 4294967295 ms must not be refused as a bad timer.
    t.timer.SetInterval(0xFFFFFFFFu);
    EXPECT_NO_THROW(t.timer.SetEnabled(true));
    Pump(200);
    EXPECT_EQ(t.ticks, 0);
}

}  // namespace
