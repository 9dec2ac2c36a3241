// Timers: a component that raises OnTimer every Interval milliseconds while Enabled.
#pragma once

#include "classlib/Forms.h"

namespace cl {

class TTimer : public TComponent {
    CL_CLASS(TTimer)
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned interval);

    TNotifyEvent OnTimer;

private:
    void UpdateTimer();
    void WndProc(TMessage& message);

    HWND window_ = nullptr;
    unsigned interval_ = 1000;
    bool enabled_ = true;
};

class EOutOfResources : public Exception { using Exception::Exception; };

} // namespace cl
