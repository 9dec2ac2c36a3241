#include "classlib/ExtCtrls.h"

namespace cl {

const TClass& TTimer::StaticClass()
{
    return DefineClass<TTimer, TComponent>("TTimer", [](TPublisher<TTimer>& p) {
        p.Bool("Enabled", &TTimer::Enabled, &TTimer::SetEnabled);
        p.Int("Interval", &TTimer::Interval, &TTimer::SetInterval);
        p.Event("OnTimer", &TTimer::OnTimer);
    });
}

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    window_ = AllocateHWnd([this](TMessage& message) { WndProc(message); });
    UpdateTimer();
}

TTimer::~TTimer()
{
    KillTimer(window_, 1);
    DeallocateHWnd(window_);
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned interval)
{
    if (interval == interval_) return;
    interval_ = interval;
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    KillTimer(window_, 1);
    if (enabled_ && interval_ != 0 && !SetTimer(window_, 1, interval_, nullptr))
        throw EOutOfResources("Not enough timers available");
}

void TTimer::WndProc(TMessage& message)
{
    if (message.Msg != WM_TIMER) {
        message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
        return;
    }
    try {
        if (OnTimer) OnTimer(this);
    } catch (...) {
        HandleWindowException(this);
    }
}

} // namespace cl
