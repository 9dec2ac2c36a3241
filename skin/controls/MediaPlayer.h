// The media-player skin: the player's own buttons are covered by an overlay panel that
// draws them from the skin's "Buttons" strip with glyphs of its own, and hands presses
// and releases over a button on to the player underneath.
#pragma once

#include "skin/engine/SkinControl.h"

#include "classlib/ExtCtrlsPanels.h"

#include <array>

namespace skin {

class TSkinMP;

// Button types in the player's order.
enum TMPButton { mbPlay, mbPause, mbStop, mbNext, mbPrev, mbStep, mbBack, mbRecord, mbEject, mbCount, mbNone = mbCount };

class TWMediaPlayer : public cl::TCustomPanel {
    CL_CLASS(TWMediaPlayer)
public:
    explicit TWMediaPlayer(cl::TComponent* owner);
    ~TWMediaPlayer() override;

    void Bind(cl::TWinControl* player, TSkinMP* companion, TSkinData* data);
    // The first visible button whose cell (both edges included) holds x; mbNone when none.
    int ButtonAt(int x) const;

    struct Button {
        bool visible = false, enabled = false, coloured = false;
        cl::TBitmap enabledLook, disabledLook, colouredLook;
    };
    std::array<Button, mbCount> Buttons;
    bool MouseHeld = false;
    int PressedButton = mbNone;
    int ButtonWidth = 0;
    int VisibleCount = 0;
    cl::TWinControl* Player = nullptr;

protected:
    void Paint() override;
    void WndProc(cl::TMessage& message) override;

private:
    // Which buttons are visible, enabled and coloured, from the player's set properties.
    void ReadButtons();
    TSkinMP* companion_ = nullptr;
    TSkinData* data_ = nullptr;
};

class TSkinMP : public TSkinControl {
    CL_CLASS(TSkinMP)
public:
    using TSkinControl::TSkinControl;
    ~TSkinMP() override;
    // Attaches and lays the overlay over the player.
    void InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas) override;
    void AfterProc(cl::TMessage& m) override;
    // Detaches and frees the overlay, unless the player's window is already gone.
    void Unsubclass() override;

    TWMediaPlayer* Overlay = nullptr; // null once freed, by us or by its parent

protected:
    void Notification(cl::TComponent& component, cl::TOperation operation) override;
};

} // namespace skin
