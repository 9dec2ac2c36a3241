// A real pane in a real window: the pane is made, placed and loaded as a form resource
// would do it, with a recording link in its window-procedure chain before the pane's own
// procedure, so a test sees what the pane passes on.
#pragma once

#include "browser/WebPane.h"

#include <memory>
#include <vector>

// A top-level window for the pane to sit in.
class HostWindow : public cl::TWinControl {
public:
    using TWinControl::TWinControl;

protected:
    void CreateParams(cl::TCreateParams& params) override
    {
        cl::TWinControl::CreateParams(params);
        params.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
        params.WinClassName = "LudoraPaneHost";
    }
};

// The pane with its test seam opened.
class TestPane : public browser::TWebPane {
public:
    using TWebPane::TWebPane;
    using TWebPane::OverrideDispatchProperty;
    using TWebPane::BrowserEvent;
};

class PaneHost {
public:
    explicit PaneHost(const char* userAgent = "") : form_(std::make_unique<HostWindow>(nullptr))
    {
        form_->SetBounds(10, 10, 400, 300);
        pane_ = new TestPane(form_.get());
        pane_->SetParent(form_.get());
        pane_->SetBounds(0, 0, 320, 240);
        pane_->UserAgent = userAgent;
        earlier_ = std::make_unique<cl::TWindowProcHook>(*pane_, [this](cl::TMessage& m) {
            seen_.push_back(m.Msg);
            earlier_->CallPrevious(m);
        });
        pane_->Loaded();
        pane_->Handle();
    }
    ~PaneHost()
    {
        earlier_.reset();
        form_.reset();
    }
    PaneHost(const PaneHost&) = delete;
    PaneHost& operator=(const PaneHost&) = delete;

    TestPane& Pane() { return *pane_; }
    // Messages that reached the procedure before the pane's own.
    std::vector<UINT>& EarlierLink() { return seen_; }

private:
    std::unique_ptr<HostWindow> form_;
    TestPane* pane_; // owned by the host window
    std::unique_ptr<cl::TWindowProcHook> earlier_;
    std::vector<UINT> seen_;
};
