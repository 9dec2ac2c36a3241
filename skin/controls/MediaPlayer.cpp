// The media-player skin and its overlay.
#include "skin/controls/MediaPlayer.h"

#include "skin/SkinDraw.h"
#include "skin/controls/ControlDraw.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinnedForm.h"

#include "classlib/SysUtils.h"
#include "classlib/TypInfo.h"
#include "classlib/WinHandle.h"

#include <cstdio>
#include <utility>

namespace skin {

namespace {
const char* const ButtonNames[mbCount] = {"MPPLAY", "MPPAUSE", "MPSTOP", "MPNEXT", "MPPREV",
                                          "MPSTEP", "MPBACK", "MPRECORD", "MPEJECT"};
const char* const ValueNames[mbCount] = {"btPlay", "btPause", "btStop", "btNext", "btPrev",
                                         "btStep", "btBack", "btRecord", "btEject"};

void LoadGlyph(cl::TBitmap& into, const char* prefix, const char* name)
{
    char resource[32];
    std::snprintf(resource, sizeof resource, "%s_%s", prefix, name);
    try {
        into.LoadFromResourceName(cl::ModuleInstance(), resource);
    } catch (const std::exception&) {
        // A glyph the module does not carry stays empty; the frame is still drawn.
    }
}

// The value names of a set property, as text; empty when the object has no such set.
std::string SetValueNames(const cl::TObject* object, const char* name)
{
    if (!object) return {};
    const cl::TPropInfo* p = object->ClassType().FindProperty(name);
    if (!p || p->kind != cl::TTypeKind::Set || !p->enumType) return {};
    const std::int64_t bits = cl::GetOrdProp(*object, name);
    std::string text;
    for (size_t i = 0; i < p->enumType->names.size() && i < 63; ++i)
        if (bits & (std::int64_t{1} << i)) text += p->enumType->names[i] + ",";
    return text;
}

bool Names(const std::string& text, int button)
{
    return cl::LowerCase(text).find(cl::LowerCase(ValueNames[button])) != std::string::npos;
}
} // namespace

const cl::TClass& TWMediaPlayer::StaticClass()
{
    return cl::DefineClass<TWMediaPlayer, cl::TCustomPanel>("TWMediaPlayer");
}

TWMediaPlayer::TWMediaPlayer(cl::TComponent* owner) : cl::TCustomPanel(owner)
{
    for (int i = 0; i < mbCount; ++i) {
        LoadGlyph(Buttons[static_cast<size_t>(i)].enabledLook, "EN", ButtonNames[i]);
        LoadGlyph(Buttons[static_cast<size_t>(i)].disabledLook, "DI", ButtonNames[i]);
        LoadGlyph(Buttons[static_cast<size_t>(i)].colouredLook, "CL", ButtonNames[i]);
    }
}

TWMediaPlayer::~TWMediaPlayer() = default;

void TWMediaPlayer::Bind(cl::TWinControl* player, TSkinMP* companion, TSkinData* data)
{
    Player = player;
    companion_ = companion;
    data_ = data;
}

void TWMediaPlayer::ReadButtons()
{
    const std::string visible = SetValueNames(Player, "VisibleButtons"), enabled = SetValueNames(Player, "EnabledButtons"),
                      coloured = SetValueNames(Player, "ColoredButtons");
    VisibleCount = 0;
    for (int i = 0; i < mbCount; ++i) {
        Button& b = Buttons[static_cast<size_t>(i)];
        b.visible = Names(visible, i);
        b.enabled = Names(enabled, i);
        b.coloured = Names(coloured, i);
        VisibleCount += b.visible;
    }
    ButtonWidth = VisibleCount > 0 ? Width() / VisibleCount : 0;
}

int TWMediaPlayer::ButtonAt(int x) const
{
    int left = 0;
    for (int i = 0; i < mbCount; ++i) {
        if (!Buttons[static_cast<size_t>(i)].visible) continue;
        if (x >= left && x <= left + ButtonWidth) return i;
        left += ButtonWidth;
    }
    return mbNone;
}

void TWMediaPlayer::Paint()
{
    ReadButtons();
    const HDC dc = Canvas()->Handle();
    const int w = Width(), h = Height();
    const auto face = static_cast<TColor>(cl::ColorToRGB(data_ ? data_->Colors[scButtonFace] : cl::clBtnFace));
    if (VisibleCount == 0 || !data_ || w <= 0 || h <= 0) {
        FillColorRect(dc, RECT{0, 0, w, h}, face);
        return;
    }
    cl::TBitmap buffer;
    buffer.SetPixelFormat(cl::pf24bit);
    buffer.SetSize(w, h);
    const HDC b = buffer.Canvas()->Handle();
    FillColorRect(b, RECT{0, 0, w, h}, face);
    const TDataSkinButton& frames = *data_->Buttons;
    int left = 0;
    for (int i = 0; i < mbCount; ++i) {
        Button& button = Buttons[static_cast<size_t>(i)];
        if (!button.visible) continue;
        const RECT cell{left, 0, left + ButtonWidth, h};
        const bool pressed = MouseHeld && PressedButton == i;
        const int state = pressed ? csPressed : !button.enabled ? csDisabled : csNormal;
        if (frames.HasImage() && frames.Frame > 0)
            DrawSkinPart(b, cell, *frames.Bitmap, false, frames.Tile == 1, frames.Trans == 1, frames.Frame, state,
                         frames.Margins());
        cl::TBitmap& glyph = !button.enabled ? button.disabledLook
                             : button.coloured ? button.colouredLook
                                               : button.enabledLook;
        if (!glyph.Empty()) {
            const int shift = pressed ? 1 : 0;
            const int x = left + (ButtonWidth - glyph.Width()) / 2 + shift, y = (h - glyph.Height()) / 2 + shift;
            DrawTransparent(b, RECT{x, y, x + glyph.Width(), y + glyph.Height()}, glyph, cl::clOlive);
        }
        left += ButtonWidth;
    }
    BitBlt(dc, 0, 0, w, h, b, 0, 0, SRCCOPY);
}

void TWMediaPlayer::WndProc(cl::TMessage& message)
{
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
        ReadButtons(); // the player's buttons as they are now, painted or not
        MouseHeld = true;
        cl::TCustomPanel::WndProc(message);
        if (Player) Player->Perform(message.Msg, message.WParam, message.LParam);
        ReleaseCapture();
        PressedButton = ButtonAt(static_cast<short>(LOWORD(message.LParam)));
        Invalidate();
        return;
    case WM_LBUTTONUP: {
        ReadButtons();
        MouseHeld = false;
        cl::TCustomPanel::WndProc(message);
        const int over = ButtonAt(static_cast<short>(LOWORD(message.LParam)));
        if (over == PressedButton && Player) Player->Perform(message.Msg, message.WParam, message.LParam);
        PressedButton = over;
        Invalidate();
        return;
    }
    default: cl::TCustomPanel::WndProc(message); return;
    }
}

// ---------------------------------------------------------------------------------------

const cl::TClass& TSkinMP::StaticClass() { return cl::DefineClass<TSkinMP, TSkinControl>("TSkinMP"); }

TSkinMP::~TSkinMP()
{
    // The overlay outlives a player whose window went first: it must not reach either.
    if (TWMediaPlayer* overlay = std::exchange(Overlay, nullptr)) {
        overlay->RemoveFreeNotification(*this);
        overlay->Bind(nullptr, nullptr, nullptr);
    }
}

void TSkinMP::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TSkinControl::Notification(component, operation);
    if (operation == cl::TOperation::opRemove && &component == Overlay) Overlay = nullptr;
}

void TSkinMP::InitControl(TSkinnedForm* form, TSkinData* data, bool colourControl, cl::TCanvas* canvas)
{
    const bool wasAttached = Attached;
    TSkinControl::InitControl(form, data, colourControl, canvas);
    if (wasAttached || !Control) return;
    // Owned by the skinned window, or by this skin when there is none.
    cl::TComponent* owner = form ? static_cast<cl::TComponent*>(form) : this;
    Overlay = new TWMediaPlayer(owner);
    // Its parent, the player's, frees it first when the two go together.
    Overlay->FreeNotification(*this);
    Overlay->Bind(Control, this, data);
    if (data) Overlay->SetTag(data->DisableTag);
    Overlay->SetBounds(Control->Left(), Control->Top(), Control->Width(), Control->Height());
    Overlay->SetParent(Control->Parent());
    Overlay->SetVisible(Control->Visible());
}

void TSkinMP::AfterProc(cl::TMessage& m)
{
    switch (m.Msg) {
    case WM_WINDOWPOSCHANGED:
        if (Overlay && Control) Overlay->SetBounds(Control->Left(), Control->Top(), Control->Width(), Control->Height());
        break;
    case cl::CM_VISIBLECHANGED:
        if (Overlay && Control) Overlay->SetVisible(Control->Visible());
        break;
    default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinMP::Unsubclass()
{
    const bool wasActive = Active;
    TSkinControl::Unsubclass();
    if (!wasActive || State == cssReleased || !Overlay) return;
    TWMediaPlayer* overlay = std::exchange(Overlay, nullptr);
    overlay->RemoveFreeNotification(*this);
    cl::Free(overlay);
}

} // namespace skin
