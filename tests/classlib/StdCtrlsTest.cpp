// Buttons, edits, group boxes and labels on real windows: a dialog from its form resource
// ended by its buttons' modal results, from the mouse and from Enter and Escape.
#include "ControlsFixtures.h"

#include "classlib/FormReader.h"
#include "classlib/Menus.h"
#include "classlib/TypInfo.h"

#include <gtest/gtest.h>

#include <memory>

using namespace cl;
using fixture::ModalWatchdog;
using fixture::Painted;
using fixture::Rgb;
using fixture::TLoginForm;

namespace {

struct Dialog : ::testing::Test {
    std::unique_ptr<TLoginForm> form = std::make_unique<TLoginForm>(nullptr);
};

LONG Style(TWinControl& c) { return GetWindowLongA(c.Handle(), GWL_STYLE); }
LONG ExStyle(TWinControl& c) { return GetWindowLongA(c.Handle(), GWL_EXSTYLE); }

AnsiString WindowText(HWND wnd)
{
    char text[200] = {};
    GetWindowTextA(wnd, text, sizeof(text));
    return text;
}

} // namespace

TEST_F(Dialog, FormResourceMakesTheControls)
{
    ASSERT_NE(form->OKBtn, nullptr);
    EXPECT_EQ(form->OKBtn->Parent(), form->BottomPanel);
    EXPECT_TRUE(form->OKBtn->Default());
    EXPECT_EQ(form->OKBtn->ModalResult(), mrOk);
    EXPECT_TRUE(form->CancelBtn->Cancel());
    EXPECT_EQ(form->CancelBtn->ModalResult(), mrCancel);
    EXPECT_EQ(GetPropText(*form->PasswordEdit, "PasswordChar"), "*");
    EXPECT_EQ(GetPropText(*form->OKBtn, "Caption"), "[&O]确定");

    form->Show();
    EXPECT_EQ(WindowText(form->OKBtn->Handle()), "[&O]确定");
    EXPECT_EQ(WindowText(form->UsernameEdit->Handle()), "guest");
    EXPECT_EQ(form->UsernameEdit->Text(), "guest");
    EXPECT_EQ(Style(*form->OKBtn) & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_EQ(Style(*form->CancelBtn) & 0xF, BS_PUSHBUTTON);
    EXPECT_TRUE(Style(*form->PasswordEdit) & ES_PASSWORD);
    EXPECT_EQ(SendMessageA(form->PasswordEdit->Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
    EXPECT_TRUE(ExStyle(*form->PasswordEdit) & WS_EX_CLIENTEDGE);
    // The bottom panel takes the bottom 98 pixels of the 141-pixel client area.
    EXPECT_EQ(form->BottomPanel->Top(), 141 - 98);
    EXPECT_EQ(form->BottomPanel->Width(), 297);
    // The word-wrapping label keeps its width and grows to its lines.
    EXPECT_EQ(form->Label1->Width(), 246);
    EXPECT_GT(form->Label1->Height(), 17);
}

TEST_F(Dialog, ClickedButtonsModalResultEndsShowModal)
{
    const struct { const char* name; TModalResult result; const char* click; } cases[] = {
        {"OKBtn", mrOk, "ok"},
        {"CancelBtn", mrCancel, "cancel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* button = static_cast<TButton*>(form->FindComponent(c.name));
        form->clicks.clear();
        PostMessageA(button->Handle(), BM_CLICK, 0, 0);
        ModalWatchdog watchdog(*form);
        EXPECT_EQ(form->ShowModal(), c.result);
        EXPECT_EQ(form->clicks, std::vector<std::string>{c.click});
        EXPECT_FALSE(form->Visible());
    }
}

TEST_F(Dialog, EnterAndEscapeInAnEditClickDefaultAndCancel)
{
    const struct { WORD key; TModalResult result; const char* click; } cases[] = {
        {VK_RETURN, mrOk, "ok"},
        {VK_ESCAPE, mrCancel, "cancel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        form->clicks.clear();
        form->SetActiveControl(form->PasswordEdit);
        // The key reaches the focused edit through the application's message loop.
        PostMessageA(form->PasswordEdit->Handle(), WM_KEYDOWN, c.key, 1);
        ModalWatchdog watchdog(*form);
        EXPECT_EQ(form->ShowModal(), c.result);
        EXPECT_EQ(form->clicks, std::vector<std::string>{c.click});
    }
}

TEST_F(Dialog, DialogKeysOnlyWithoutModifiersAndOnlyForTheirButtons)
{
    form->Show();
    EXPECT_NE(form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);
    EXPECT_EQ(form->ModalResult(), mrOk);
    form->SetModalResult(mrNone);
    // Alt+Enter (bit 29 of the key data) and a key no button takes do nothing.
    EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_RETURN, 1 << 29), 0);
    EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_SPACE, 0), 0);
    // A disabled button takes no key.
    form->OKBtn->SetEnabled(false);
    EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);
    EXPECT_EQ(form->ModalResult(), mrNone);
    EXPECT_EQ(form->clicks, std::vector<std::string>{"ok"});
}

TEST_F(Dialog, FocusedButtonTakesEnterFromTheDefaultOne)
{
    form->Show();
    form->CancelBtn->SetFocus();
    ASSERT_EQ(GetFocus(), form->CancelBtn->Handle());
    form->Perform(CM_DIALOGKEY, VK_RETURN, 0);
    EXPECT_EQ(form->clicks, std::vector<std::string>{"cancel"});

    // Focus on an edit gives Enter back to the default button.
    form->UsernameEdit->SetFocus();
    form->Perform(CM_DIALOGKEY, VK_RETURN, 0);
    EXPECT_EQ(form->clicks, (std::vector<std::string>{"cancel", "ok"}));
}

TEST_F(Dialog, FocusNotificationMovesTheDefaultLook)
{
    form->Show();
    for (TButton* b : {form->OKBtn, form->CancelBtn})
        b->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->CancelBtn));
    EXPECT_EQ(Style(*form->OKBtn) & 0xF, BS_PUSHBUTTON);
    EXPECT_EQ(Style(*form->CancelBtn) & 0xF, BS_DEFPUSHBUTTON);
    for (TButton* b : {form->OKBtn, form->CancelBtn})
        b->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->UsernameEdit));
    EXPECT_EQ(Style(*form->OKBtn) & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_EQ(Style(*form->CancelBtn) & 0xF, BS_PUSHBUTTON);
}

TEST(Edit, BorderPasswordAndReadOnlyReachTheWindow)
{
    TForm form(nullptr);
    TEdit edit(&form);
    edit.SetParent(&form);
    edit.SetBorderStyle(bsNone);
    edit.SetReadOnly(true);
    HWND first = edit.Handle();
    EXPECT_FALSE(GetWindowLongA(first, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(GetWindowLongA(first, GWL_STYLE) & ES_READONLY);

    edit.SetText("abc");
    edit.SetBorderStyle(bsSingle); // a new window, with the text kept
    EXPECT_TRUE(GetWindowLongA(edit.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(WindowText(edit.Handle()), "abc");
    EXPECT_TRUE(GetWindowLongA(edit.Handle(), GWL_STYLE) & ES_READONLY);

    // Typing changes nothing while read-only.
    SendMessageA(edit.Handle(), WM_CHAR, 'x', 1);
    EXPECT_EQ(edit.Text(), "abc");
    edit.SetReadOnly(false);
    SendMessageA(edit.Handle(), EM_SETSEL, 3, 3);
    SendMessageA(edit.Handle(), WM_CHAR, 'x', 1);
    EXPECT_EQ(edit.Text(), "abcx");

    edit.SetPasswordChar('#');
    EXPECT_EQ(SendMessageA(edit.Handle(), EM_GETPASSWORDCHAR, 0, 0), '#');
    edit.SetPasswordChar('\0');
    EXPECT_EQ(SendMessageA(edit.Handle(), EM_GETPASSWORDCHAR, 0, 0), 0);

    EXPECT_THROW(SetPropText(edit, "PasswordChar", "**"), EPropertyError);
    EXPECT_THROW(edit.SetBorderStyle(bsDialog), EPropertyError);
}

TEST(Edit, ColourAndFontColourPaintTheText)
{
    TForm form(nullptr);
    TEdit edit(&form);
    edit.SetParent(&form);
    edit.SetColor(clBtnFace);
    edit.Font()->SetColor(clHighlight);
    HDC dc = GetDC(edit.Handle());
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(form.Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit.Handle())));
    EXPECT_NE(brush, nullptr);
    EXPECT_EQ(GetTextColor(dc), Rgb(clHighlight));
    EXPECT_EQ(GetBkColor(dc), Rgb(clBtnFace));
    ReleaseDC(edit.Handle(), dc);
}

struct Label : ::testing::Test {
    TForm form{nullptr};
    TLabel* label = new TLabel(&form);
    void SetUp() override
    {
        label->SetParent(&form);
        form.SetBounds(0, 0, 300, 200);
    }
    SIZE Extent(const AnsiString& text)
    {
        WindowDc screen(nullptr);
        SelectGuard font(screen.get(), label->Font()->Handle());
        SIZE s{};
        GetTextExtentPoint32A(screen.get(), text.c_str(), static_cast<int>(text.size()), &s);
        return s;
    }
};

TEST_F(Label, AutoSizeFitsTheCaption)
{
    label->SetBounds(100, 10, 10, 10);
    label->SetCaption("Estimated time left");
    const SIZE s = Extent("Estimated time left");
    EXPECT_EQ(label->Width(), s.cx);
    EXPECT_EQ(label->Height(), s.cy);
    EXPECT_EQ(label->Left(), 100);

    // A right-aligned label grows to the left.
    label->SetAlignment(taRightJustify);
    const int right = label->Left() + label->Width();
    label->SetCaption("Estimated time left: 0:00:12");
    EXPECT_EQ(label->Left() + label->Width(), right);

    // Without AutoSize the bounds stay.
    label->SetAutoSize(false);
    label->SetBounds(5, 5, 40, 12);
    label->SetCaption("a much longer text than forty pixels");
    EXPECT_EQ(label->Width(), 40);
    EXPECT_EQ(label->Height(), 12);
}

TEST_F(Label, WordWrapKeepsTheWidthAndGrowsDown)
{
    label->SetWordWrap(true);
    label->SetBounds(45, 5, 120, 10);
    label->SetCaption("one");
    const int line = label->Height();
    EXPECT_EQ(label->Width(), 120);
    label->SetCaption("A newer version of Ludora was released. Do you want to update your version?");
    EXPECT_EQ(label->Width(), 120);
    EXPECT_GE(label->Height(), 3 * line);
}

TEST_F(Label, SizedAfterLoadingWhateverThePropertyOrder)
{
    const char* text = u8R"(
TForm Host {
  TLabel Note { Caption = "Upgrade completed!" WordWrap = True Width = 60 Left = 136 Top = 44 }
}
)";
    TForm host(nullptr);
    ReadComponentText(text, host);
    auto* note = static_cast<TLabel*>(host.FindComponent("Note"));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->Width(), 60);
    EXPECT_GE(note->Height(), 2 * Extent("Upgrade").cy);
}

TEST_F(Label, TakesItsParentsColourUntilGivenOne)
{
    form.SetColor(clWhite);
    label->SetBounds(10, 10, 50, 20);
    label->SetAutoSize(false);
    EXPECT_TRUE(label->ParentColor());
    EXPECT_EQ(Painted(*label).At(20, 20), Rgb(clWhite));
    form.SetColor(clLime); // a parent recoloured later, as a skin does
    EXPECT_EQ(Painted(*label).At(20, 20), Rgb(clLime));
    label->SetColor(clRed);
    EXPECT_FALSE(label->ParentColor());
    EXPECT_EQ(Painted(*label).At(20, 20), Rgb(clRed));
    SetPropText(*label, "ParentColor", "True");
    EXPECT_EQ(Painted(*label).At(20, 20), Rgb(clLime));
}

TEST_F(Label, FillsWithItsColourUnlessTransparent)
{
    form.SetColor(clWhite);
    label->SetColor(clRed);
    label->SetBounds(10, 10, 50, 20);
    label->SetAutoSize(false);
    label->SetCaption("");
    {
        Painted p(*label);
        EXPECT_EQ(p.At(10, 10), Rgb(clRed));
        EXPECT_EQ(p.At(59, 29), Rgb(clRed));
        EXPECT_NE(p.At(60, 30), Rgb(clRed));
    }
    label->SetTransparent(true);
    {
        Painted p(*label);
        EXPECT_NE(p.At(10, 10), Rgb(clRed));
    }
}

TEST(GroupBox, CaptionTakesRoomFromAlignedChildren)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    TGroupBox box(&form);
    box.SetParent(&form);
    box.SetBounds(136, 34, 319, 125);
    box.SetCaption(" Current file ");
    TPanel inner(&form);
    inner.SetParent(&box);
    inner.SetAlign(alClient);
    box.Handle();
    box.Realign();
    EXPECT_GT(inner.Top(), 2);
    EXPECT_EQ(inner.Left(), 2);
    EXPECT_EQ(inner.Width(), 319 - 4);
    EXPECT_EQ(inner.Top() + inner.Height(), 125 - 2);
    EXPECT_TRUE(box.InheritsFrom(TCustomGroupBox::StaticClass()));
    EXPECT_TRUE(IsPublishedProp(box, "ParentBackground"));
}

// GetGuiResources answers 0 under Wine, so the handles are checked one by one.
TEST(Resources, FreedControlsLeaveNoWindowMenuOrFontBehind)
{
    std::vector<HWND> windows;
    std::vector<HMENU> menus;
    std::vector<HGDIOBJ> fonts;
    {
        TLoginForm form(nullptr);
        form.Show();
        UpdateWindow(form.Handle());
        for (TWinControl* c : std::initializer_list<TWinControl*>{&form, form.BottomPanel, form.UsernameEdit,
                                                                   form.PasswordEdit, form.OKBtn, form.CancelBtn}) {
            windows.push_back(c->Handle());
            fonts.push_back(c->Font()->Handle());
        }
        fonts.push_back(form.Label1->Font()->Handle());

        TForm host(nullptr);
        auto* bar = new TStatusBar(&host);
        bar->SetParent(&host);
        bar->Panels()->AddItem()->SetStyle(psOwnerDraw);
        bar->OnDrawPanel = [](TStatusBar* b, TStatusPanel*, const RECT& r) { b->Canvas()->FillRect(r); };
        host.Show();
        UpdateWindow(bar->Handle());
        windows.push_back(bar->Handle());
        windows.push_back(host.Handle());

        auto* menu = new TPopupMenu(&host);
        auto* item = new TMenuItem(&host);
        item->SetCaption("x");
        menu->Items()->Add(item);
        auto* sub = new TMenuItem(&host);
        item->Add(sub);
        menus.push_back(menu->Handle());
        menus.push_back(item->Handle());
        TMainMenu mainMenu(&host);
        menus.push_back(mainMenu.Handle());
    }
    for (HWND w : windows) EXPECT_FALSE(IsWindow(w));
    for (HMENU m : menus) EXPECT_FALSE(IsMenu(m));
    for (HGDIOBJ f : fonts) EXPECT_EQ(GetObjectType(f), 0u);
}
