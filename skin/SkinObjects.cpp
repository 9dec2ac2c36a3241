// Reading a skin description into the skin objects: sections, keys, defaults, clamps,
// fixed frame counts and the derived images (mirrored combo button, combo composition and
// arrow, toolbar gradient, form colour).
#include "skin/SkinObjects.h"

#include "skin/ImgUtilWin.h"
#include "skin/SkinDraw.h"
#include "skin/SkinRules.h"

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/Streams.h"

namespace skin {

TDataSkinObject::TDataSkinObject(const cl::AnsiString& name) : Bitmap(std::make_unique<cl::TBitmap>()), Name(name) {}
TDataSkinObject::~TDataSkinObject() = default;
bool TDataSkinObject::HasImage() const { return !Bitmap->Empty(); }

TDataSkinBorder::TDataSkinBorder(const cl::AnsiString& name)
    : TDataSkinObject(name), Bitmap2(std::make_unique<cl::TBitmap>())
{
}
TDataSkinBorder::~TDataSkinBorder() = default;

TDataSkinButton::TDataSkinButton(const cl::AnsiString& name)
    : TDataSkinObject(name), CheckBitmap(std::make_unique<cl::TBitmap>()), RadioBitmap(std::make_unique<cl::TBitmap>())
{
}
TDataSkinButton::~TDataSkinButton() = default;

TSkinObjects::TSkinObjects()
    : LeftBorder(std::make_unique<TDataSkinBorder>("Left")), RightBorder(std::make_unique<TDataSkinBorder>("Right")),
      TopBorder(std::make_unique<TDataSkinBorder>("Top")), BottomBorder(std::make_unique<TDataSkinBorder>("Bottom")),
      Title(std::make_unique<TDataSkinTitle>("Title")), Buttons(std::make_unique<TDataSkinButton>("Buttons"))
{
}

TSkinObjects::~TSkinObjects() = default;

TColor TSkinObjects::ParseColor(const cl::AnsiString& Text, TColor Default) { return skin::ParseColor(Text, Default); }

void TSkinObjects::LoadBitmap(const TSkinReader& reader, cl::TBitmap& Bitmap, const cl::AnsiString& FileName,
                             TBitmapBudget& budget)
{
    cl::AnsiString name = cl::ExtractFileName(FileName);
    std::vector<std::uint8_t> bytes;
    if (cl::ExtractFileExt(name) == ".bmp") reader.GetFile(name, bytes);
    if (bytes.empty()) {
        Bitmap.SetSize(0, 0);
        return;
    }
    // Run-length pixels claim any size in a few bytes: the size is checked before the
    // bitmap is made.
    budget.Take(name, bytes);
    cl::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    try {
        Bitmap.LoadFromStream(stream);
    } catch (const cl::EInvalidGraphic&) {
        // A damaged entry is a missing bitmap, as an absent one is, not a failed load.
        Bitmap.SetSize(0, 0);
    }
}

TSkinObjects::TSkinFileResult TSkinObjects::OpenSkinFile(const std::vector<std::uint8_t>& file)
{
    TSkinReader reader;
    if (!reader.Open(file)) return sfNotASkin;
    std::vector<std::uint8_t> text;
    cl::AnsiString found;
    reader.FindFile(".ini", text, found);
    if (found.empty()) return sfNoDescription;
    TQuickIni ini;
    ini.LoadFromStream(text);
    // Read into objects of their own: a read that fails half-way leaves the skin in use
    // whole, and nothing draws from the new objects before they are complete.
    TSkinObjects loaded;
    loaded.ReadSkin(reader, ini);
    SkinReplacing();
    SwapSkin(loaded);
    return sfLoaded;
}

void TSkinObjects::SwapSkin(TSkinObjects& o)
{
    using std::swap;
    swap(LeftBorder, o.LeftBorder);
    swap(RightBorder, o.RightBorder);
    swap(TopBorder, o.TopBorder);
    swap(BottomBorder, o.BottomBorder);
    swap(Title, o.Title);
    swap(Buttons, o.Buttons);
    swap(CaptionButtons, o.CaptionButtons);
    swap(Progress, o.Progress);
    swap(ProgressChunk, o.ProgressChunk);
    swap(MenuBar, o.MenuBar);
    swap(GroupBoxEdge, o.GroupBoxEdge);
    swap(GroupBox, o.GroupBox);
    swap(Tabs, o.Tabs);
    swap(StatusBarEdges, o.StatusBarEdges);
    swap(TabPane, o.TabPane);
    swap(ToolBars, o.ToolBars);
    swap(ComboButton, o.ComboButton);
    swap(SunkEdge, o.SunkEdge);
    swap(ExtraImages, o.ExtraImages);
    swap(Headerbar, o.Headerbar);
    swap(MenuItem, o.MenuItem);
    swap(MenuBackground, o.MenuBackground);
    swap(ScrollbarArrows, o.ScrollbarArrows);
    swap(HorzScroll, o.HorzScroll);
    swap(VertScroll, o.VertScroll);
    swap(HorzScrollThumb, o.HorzScrollThumb);
    swap(VertScrollThumb, o.VertScrollThumb);
    swap(TrackThumbHorz, o.TrackThumbHorz);
    swap(TrackThumbVert, o.TrackThumbVert);
    swap(TrackThumbLeft, o.TrackThumbLeft);
    swap(TrackThumbRight, o.TrackThumbRight);
    swap(TrackThumbUp, o.TrackThumbUp);
    swap(TrackThumbDown, o.TrackThumbDown);
    swap(UpDownHorz, o.UpDownHorz);
    swap(UpDownVert, o.UpDownVert);
    swap(Track, o.Track);
    swap(TrackVert, o.TrackVert);
    swap(ComboxArrow, o.ComboxArrow);
    swap(Toolbar, o.Toolbar);
    swap(Colors, o.Colors);
    swap(ColorSet, o.ColorSet);
    swap(ExtraColors, o.ExtraColors);
    swap(CustomColors, o.CustomColors);
    swap(FormColor, o.FormColor);
    swap(FormBrush, o.FormBrush);
    swap(Empty, o.Empty);
}

// The state of one ReadSkin: the container, the description and typed key access.
struct TSkinObjects::Reading {
    TSkinObjects& s;
    const TSkinReader& reader;
    const TQuickIni& ini;
    mutable TBitmapBudget budget;

    cl::AnsiString Str(std::string_view section, std::string_view key) const { return ini.ReadString(section, key, ""); }
    int Int(std::string_view section, std::string_view key, int fallback) const
    {
        return ini.ReadInteger(section, key, fallback);
    }
    // Margins, shifts and sizes in pixels.
    int Coord(std::string_view section, std::string_view key, int fallback) const
    {
        return ReadCoordinate(ini, section, key, fallback);
    }
    TColor Colour(std::string_view section, std::string_view key, TColor fallback) const
    {
        return ParseColor(Str(section, key), fallback);
    }
    void Load(cl::TBitmap& bitmap, const cl::AnsiString& file) const { LoadBitmap(reader, bitmap, file, budget); }

    template <class T> void Margins(T& o, std::string_view section) const
    {
        o.Style = Int(section, "Style", 0);
        o.LeftWidth = Coord(section, "LeftWidth", 0);
        o.RightWidth = Coord(section, "RightWidth", 0);
        o.TopHeight = Coord(section, "TopHeight", 0);
        o.BottomHeight = Coord(section, "BottomHeight", 0);
    }

    // The image reader; Frame is read unless readFrame is false.
    template <class T = TDataSkinObject> std::unique_ptr<T> Image(const char* section, bool readFrame = true) const
    {
        cl::AnsiString image = Str(section, "Image");
        if (image.empty()) return nullptr;
        auto o = std::make_unique<T>(section);
        Load(*o->Bitmap, image);
        Margins(*o, section);
        if (readFrame) o->Frame = Int(section, "Frame", 0);
        o->Trans = Int(section, "Trans", 0);
        o->Tile = Int(section, "Tile", 0);
        o->NormalColour = Int(section, "NormalColour", -1);
        o->MouseOverColour = Int(section, "MouseOverColour", -1);
        o->PressedColour = Int(section, "PressedColour", -1);
        o->NormalColour2 = Colour(section, "NormalColour2", s.Colors[scButtonText]);
        o->MouseOverColour2 = Colour(section, "MouseOverColour2", s.Colors[scButtonText]);
        o->PressedColour2 = Colour(section, "PressedColour2", s.Colors[scButtonText]);
        if (o->Tile > 1) o->Tile = 0;
        return o;
    }

    // Image reader of a border class with a second bitmap named by key.
    std::unique_ptr<TDataSkinBorder> ImageAndSecond(const char* section, const char* key) const
    {
        auto o = Image<TDataSkinBorder>(section, false);
        if (o) {
            cl::AnsiString second = Str(section, key);
            if (!second.empty()) Load(*o->Bitmap2, second);
        }
        return o;
    }

    std::unique_ptr<TDataSkinBoxLabel> BoxLabel(const char* section) const
    {
        auto o = Image<TDataSkinBoxLabel>(section, false);
        if (o) {
            o->BackgroundAlignment = Int(section, "BackgroundAlignment", 0);
            o->BackgroundLeftShift = Coord(section, "BackgroundLeftShift", 0);
            o->BackgroundRightShift = Coord(section, "BackgroundRightShift", 0);
        }
        return o;
    }

    // The bitmap reader: key "Bitmap", margins, Trans and Tile only.
    std::unique_ptr<TDataSkinBorder> BitmapObject(const char* section) const
    {
        cl::AnsiString image = Str(section, "Bitmap");
        if (image.empty()) return nullptr;
        auto o = std::make_unique<TDataSkinBorder>(section);
        Load(*o->Bitmap, image);
        Margins(*o, section);
        o->Trans = Int(section, "Trans", 0);
        o->Tile = Int(section, "Tile", 0);
        if (o->Tile > 1) o->Tile = 1;
        return o;
    }

    void Border(TDataSkinBorder& b) const
    {
        const cl::AnsiString& n = b.Name;
        const char* p = "Personality";
        int first = Coord(p, n + "TopHeight", 0), second = Coord(p, n + "BotHeight", 0);
        if (n == "Left" || n == "Right") {
            b.TopHeight = first;
            b.BottomHeight = second;
            b.LeftWidth = b.RightWidth = 0;
        } else {
            b.LeftWidth = first;
            b.RightWidth = second;
            b.TopHeight = b.BottomHeight = 0;
        }
        b.Frame = AtLeastOneFrame(Int(p, n + "Frame", 1));
        b.Tile = std::min(Int(p, n + "Stretch", 1), 1);
        b.Trans = Int(p, n + "Trans", 1);
        Load(*b.Bitmap, Str(p, n));
    }

    void Colours() const
    {
        struct Entry {
            int index;
            const char* key;
            int system; // COLOR_* default; -1: the ButtonFace just read
        };
        static constexpr Entry table[] = {
            {scWindowText, "WindowText", COLOR_WINDOWTEXT}, {scButtonFace, "ButtonFace", COLOR_BTNFACE},
            {scScrollbar, "Scrollbar", COLOR_SCROLLBAR},     {scHilightText, "HilightText", COLOR_HIGHLIGHTTEXT},
            {scHilight, "Hilight", COLOR_HIGHLIGHT},         {scMenubar, "Menubar", -1},
            {scMenu, "Menu", COLOR_MENU},                    {scMenuText, "MenuText", COLOR_MENUTEXT},
            {scButtonText, "ButtonText", COLOR_BTNTEXT},     {scButtonHilight, "ButtonHilight", COLOR_BTNHIGHLIGHT},
            {scButtonlight, "Buttonlight", COLOR_BTNHIGHLIGHT}, {scButtonShadow, "ButtonShadow", COLOR_BTNSHADOW},
            {scButtonDkShadow, "ButtonDkShadow", COLOR_3DDKSHADOW}, {scMenuBarText, "MenuBarText", COLOR_MENUTEXT},
            {scTitleTextActive, "TitleTextActive", COLOR_CAPTIONTEXT},
            {scTitleTextNoActive, "TitleTextNoActive", COLOR_INACTIVECAPTIONTEXT},
        };
        s.Colors.fill(0);
        s.ColorSet.fill(false);
        for (const Entry& e : table) {
            cl::AnsiString text = Str("Colours", e.key);
            TColor fallback = e.system < 0 ? s.Colors[scButtonFace] : cl::SystemColor(e.system);
            s.Colors[e.index] = ParseColor(text, fallback);
            s.ColorSet[e.index] = !text.empty();
        }
    }

    void CaptionButtons(const std::vector<cl::AnsiString>& sections) const
    {
        s.CaptionButtons.clear();
        const std::vector<TCaptionButtonKeys> kept = ReadCaptionButtonKeys(ini, sections);
        for (const TCaptionButtonKeys& k : kept) {
            auto b = std::make_unique<TDataSkinSysButton>(k.name);
            b->Action = k.action;
            b->Align = k.align;
            b->XCoord = k.x;
            b->YCoord = k.y;
            b->Visibility = k.visibility;
            b->Visibility1 = k.visibility1;
            b->CombineOp = k.combineOp;
            Load(*b->Bitmap, k.image);
            b->Frame = CaptionButtonFrames(k.frame, b->Bitmap->Width(), b->Bitmap->Height(), b->Action);
            if (b->Action == 3 || b->Action == 11) b->Bitmap->SetSize(0, 0);
            s.CaptionButtons.push_back(std::move(b));
        }
        for (int action = 7; action <= 9; ++action) {
            auto b = std::make_unique<TDataSkinSysButton>("MDICONTROLS");
            b->Action = action;
            b->Align = b->Visibility = b->Visibility1 = 100;
            b->Frame = 4;
            s.CaptionButtons.push_back(std::move(b));
        }
        cl::AnsiString image = Str("MDICONTROLS", "Image");
        if (image.empty()) return;
        cl::TBitmap source;
        Load(source, image);
        if (source.Empty()) return;
        const int w = source.Width() / 12, h = source.Height();
        for (int k = 0; k < 3; ++k) {
            TDataSkinSysButton& b = *s.CaptionButtons[kept.size() + k];
            CopyPart(source, RECT{4 * w * k, 0, 4 * w * (k + 1), h}, *b.Bitmap);
            b.XCoord = (w + 4) * (3 - k);
        }
    }

    void ButtonsObject() const
    {
        TDataSkinButton& b = *s.Buttons;
        const char* S = "Buttons";
        b.LeftWidth = Coord(S, "LeftWidth", 0);
        b.RightWidth = Coord(S, "RightWidth", 0);
        b.TopHeight = Coord(S, "TopHeight", 0);
        b.BottomHeight = Coord(S, "BottomHeight", 0);
        b.Trans = Int(S, "Trans", 0);
        b.Tile = Int(S, "Tile", 0);
        Load(*b.Bitmap, Str(S, "Bitmap"));
        Load(*b.CheckBitmap, Str(S, "CheckButton"));
        Load(*b.RadioBitmap, Str(S, "RadioButton"));
        b.NormalColour = Int(S, "NormalColour", -1);
        b.MouseOverColour = Int(S, "MouseOverColour", -1);
        b.PressedColour = Int(S, "PressedColour", -1);
        b.RadioFrames = Int(S, "RadioButtonFrame", 0);
        b.CheckFrames = Int(S, "CheckButtonFrame", 0);
        if (b.Tile > 1) b.Tile = 0;
        b.HasNormalColour2 = !Str(S, "NormalColour2").empty();
        b.HasMouseOverColour2 = !Str(S, "MouseOverColour2").empty();
        b.HasPressedColour2 = !Str(S, "PressedColour2").empty();
        b.NormalColour2 = Colour(S, "NormalColour2", s.Colors[scButtonText]);
        b.MouseOverColour2 = Colour(S, "MouseOverColour2", s.Colors[scButtonText]);
        b.PressedColour2 = Colour(S, "PressedColour2", s.Colors[scButtonText]);
    }

    void TitleObject() const
    {
        TDataSkinTitle& t = *s.Title;
        const char* p = "Personality";
        Load(*t.Bitmap, Str(p, "TextBack"));
        t.LeftWidth = Coord(p, "TextShift", 0);
        t.TopHeight = Coord(p, "TextShiftVert", 0);
        t.RightWidth = Coord(p, "TextRightClip", 0);
        t.BottomHeight = 0;
        t.TextAlignment = Int(p, "TextAlignment", 0);
        t.Textbackground = Int(p, "Textbackground", 0);
        t.TXTBackleft = Coord(p, "TXTBackleft", 0);
        t.TXTBackRight = Coord(p, "TXTBackRight", 0);
        t.FontHeight = Coord("Fonts", "FontHeight", 14);
        auto rgb = [&](const char* prefix) {
            cl::AnsiString k = prefix;
            int r = Int(p, k + "R", -1), g = Int(p, k + "G", -1), b = Int(p, k + "B", -1);
            return r >= 0 && g >= 0 && b >= 0 ? MakeRGB(r % 256, g % 256, b % 256) : TDataSkinTitle::NotGiven;
        };
        t.ActiveTextColor = rgb("ActiveText");
        t.InActiveTextColor = rgb("InActiveText");
    }

    std::unique_ptr<TDataSkinObject> MenuBarObject() const
    {
        const char* p = "Personality";
        cl::AnsiString image = Str(p, "menuBar");
        if (image.empty()) return nullptr;
        auto o = std::make_unique<TDataSkinObject>("MenuBar");
        Load(*o->Bitmap, image);
        o->Tile = std::min(Int(p, "TileMenu", 1), 1);
        o->LeftWidth = Coord(p, "TileLeftMenu", 1);
        o->RightWidth = Coord(p, "TileRightMenu", 1);
        o->TopHeight = o->BottomHeight = 0;
        return o;
    }

    static void CopyPart(cl::TBitmap& source, const RECT& part, cl::TBitmap& dest)
    {
        dest.SetPixelFormat(cl::pf24bit);
        dest.SetSize(part.right - part.left, part.bottom - part.top);
        BitBlt(dest.Canvas()->Handle(), 0, 0, dest.Width(), dest.Height(), source.Canvas()->Handle(), part.left,
               part.top, SRCCOPY);
    }
};

namespace {

template <class T> void SetFrames(const std::unique_ptr<T>& o, int frames)
{
    if (o) o->Frame = frames;
}

// A 24-bit copy of source, optionally mirrored left to right.
void Copy24(const cl::TBitmap& source, cl::TBitmap& dest, bool mirror)
{
    dest.Assign(source);
    dest.SetPixelFormat(cl::pf24bit);
    if (mirror) MirrorBitmap(dest);
}

std::unique_ptr<TDataSkinObject> BuiltInTrack(const char* name)
{
    auto o = std::make_unique<TDataSkinObject>(name);
    // From the module that holds this code (the program or the player library); a module
    // built without them draws track bars without default images.
    try {
        o->Bitmap->LoadFromResourceName(cl::ModuleInstance(), name);
    } catch (const cl::EInvalidGraphic&) {
    }
    o->LeftWidth = o->TopHeight = o->RightWidth = o->BottomHeight = 3;
    o->Tile = 0;
    o->Frame = 1;
    return o;
}

} // namespace

void TSkinObjects::ReadSkin(const TSkinReader& reader, const TQuickIni& ini)
{
    Reading r{*this, reader, ini, {}};
    std::vector<cl::AnsiString> sections;
    ini.ReadSections(sections);

    for (TDataSkinBorder* b : {LeftBorder.get(), RightBorder.get(), TopBorder.get(), BottomBorder.get()}) r.Border(*b);

    r.Colours();
    ExtraColors = ReadExtraColors(ini, sections, cl::SystemColor(COLOR_WINDOWTEXT));
    for (int k = 0; k < 10; ++k) CustomColors[k] = r.Colour("Customcolors", "Color" + std::to_string(k), 0xFFFFFF);

    r.CaptionButtons(sections);
    r.ButtonsObject();
    r.TitleObject();
    Progress = r.BitmapObject("Progress");
    ProgressChunk = r.Image("Progress.Chunk");
    MenuBar = r.MenuBarObject();
    GroupBoxEdge = r.Image("GroupBoxEdge");
    GroupBox = r.BoxLabel("GroupBox");
    Tabs = r.ImageAndSecond("Tabs", "Border");
    StatusBarEdges = r.Image("StatusBarEdges");
    TabPane = r.Image("Tab.Pane");
    if (TabPane) {
        for (int* m : {&TabPane->LeftWidth, &TabPane->TopHeight, &TabPane->RightWidth, &TabPane->BottomHeight})
            *m = std::min(*m, 4);
    }
    ToolBars = r.Image("ToolBars");
    ComboButton = r.ImageAndSecond("ComboButton", "****");
    SunkEdge = r.Image("SunkEdge");
    if (ComboButton && ComboButton->HasImage()) Copy24(*ComboButton->Bitmap, *ComboButton->Bitmap2, true);

    ExtraImages = r.Image("ExtraImages");
    Headerbar = r.Image("Headerbar");
    MenuItem = r.Image("MenuItem");
    MenuBackground = r.Image("MenuBackground");
    ScrollbarArrows = r.Image("Scrollbar");
    HorzScroll = r.Image("HorzScroll");
    VertScroll = r.Image("VertScroll");
    HorzScrollThumb = r.Image("HorzScrollThumb");
    VertScrollThumb = r.Image("VertScrollThumb");
    TrackThumbHorz = r.Image("Trackbar.ThumbHorz");
    TrackThumbVert = r.Image("Trackbar.ThumbVert");
    TrackThumbLeft = r.Image("Trackbar.ThumbLeft");
    TrackThumbRight = r.Image("Trackbar.ThumbRight");
    TrackThumbUp = r.Image("Trackbar.ThumbUp");
    TrackThumbDown = r.Image("Trackbar.ThumbDown");
    UpDownHorz = r.ImageAndSecond("UpDown.Horz", "GlyphImage");
    UpDownVert = r.ImageAndSecond("UpDown.Vert", "GlyphImage");
    Track = r.Image("Track");
    TrackVert = r.Image("TRACKVERT");
    if (!Track) Track = BuiltInTrack("TRACK");
    if (!TrackVert) TrackVert = BuiltInTrack("TRACKVERT");

    // Fixed frame counts; counts taken from the skin are at least 1.
    Title->Frame = 2;
    Buttons->Frame = 5;
    if (Progress) Progress->Frame = Progress->Style != 0 ? 1 : 2;
    if (ProgressChunk) ProgressChunk->Frame = AtLeastOneFrame(ProgressChunk->Frame);
    SetFrames(MenuBar, 2);
    SetFrames(GroupBoxEdge, 2);
    SetFrames(GroupBox, 1);
    SetFrames(Tabs, 5);
    SetFrames(StatusBarEdges, 3);
    SetFrames(TabPane, 1);
    SetFrames(ToolBars, 5);
    SetFrames(ComboButton, 4);
    SetFrames(SunkEdge, 4);
    SetFrames(ExtraImages, 5);
    if (Headerbar && Headerbar->Frame <= 0) Headerbar->Frame = 5;
    SetFrames(MenuItem, 5);
    SetFrames(MenuBackground, 1);
    SetFrames(ScrollbarArrows, 23);
    SetFrames(HorzScroll, 4);
    SetFrames(VertScroll, 4);
    if (HorzScrollThumb) HorzScrollThumb->Frame = AtLeastOneFrame(r.Int("HorzScrollThumb", "FrameCount", 3));
    if (VertScrollThumb) VertScrollThumb->Frame = AtLeastOneFrame(r.Int("VertScrollThumb", "FrameCount", 3));
    for (auto* t : {&TrackThumbHorz, &TrackThumbVert, &TrackThumbLeft, &TrackThumbRight, &TrackThumbUp, &TrackThumbDown})
        SetFrames(*t, 5);
    SetFrames(UpDownHorz, 8);
    SetFrames(UpDownVert, 8);
    Track->Frame = AtLeastOneFrame(Track->Frame);
    TrackVert->Frame = AtLeastOneFrame(TrackVert->Frame);
    Buttons->RadioFrames = GlyphStripFrames(Buttons->RadioFrames, Buttons->RadioBitmap->Width(), Buttons->RadioBitmap->Height());
    Buttons->CheckFrames = GlyphStripFrames(Buttons->CheckFrames, Buttons->CheckBitmap->Width(), Buttons->CheckBitmap->Height());

    ComposeCombo();
    MakeComboArrow();
    // The form colour comes before the toolbar gradient that is derived from it.
    FormColor = Colors[scButtonFace];
    if (TopBorder->HasImage()) {
        const cl::TBitmap& top = *TopBorder->Bitmap;
        FormColor = static_cast<TColor>(GetPixel(top.Canvas()->Handle(), top.Width() / 3, top.Height() / TopBorder->Frame / 3));
    }
    MakeToolbar();
    FormBrush.reset(CreateSolidBrush(static_cast<COLORREF>(cl::ColorToRGB(Colors[scButtonFace]))));
    Empty = false;
}

void TSkinObjects::ComposeCombo()
{
    if (!SunkEdge || !ComboButton) return;
    const int a = GetSystemMetrics(SM_CXHSCROLL) + 2;
    const int F = SunkEdge->Frame;
    cl::TBitmap strip;
    strip.SetPixelFormat(cl::pf24bit);
    strip.SetSize(50 * F, 21);
    HDC dc = strip.Canvas()->Handle();
    {
        RECT all{0, 0, strip.Width(), strip.Height()};
        cl::BrushHandle key(CreateSolidBrush(Magenta));
        FillRect(dc, &all, key.get());
    }
    for (int f = 1; f <= F; ++f) {
        cl::TBitmap cell;
        cell.SetPixelFormat(cl::pf24bit);
        cell.SetSize(50, 21);
        HDC c = cell.Canvas()->Handle();
        cl::BrushHandle key(CreateSolidBrush(Magenta));
        RECT whole{0, 0, 50, 21}, button{50 - a, 0, 50, 21}, field{2, 2, 49 - a, 18};
        FillRect(c, &whole, key.get());
        DrawSkinPart(c, whole, *SunkEdge->Bitmap, false, SunkEdge->Tile != 0, SunkEdge->Trans != 0, F, f, SunkEdge->Margins());
        DrawFrame(c, button, *ComboButton->Bitmap, true, ComboButton->Frame, f);
        if (ExtraImages) DrawFrameCentered(c, button, *ExtraImages->Bitmap, true, ExtraImages->Frame, f);
        FillRect(c, &field, key.get());
        BitBlt(dc, 50 * (f - 1), 0, 50, 21, c, 0, 0, SRCCOPY);
    }
    ComboButton->Bitmap->Assign(strip);
    ComboButton->Style = 2;
    ComboButton->TopHeight = SunkEdge->TopHeight;
    ComboButton->BottomHeight = SunkEdge->BottomHeight;
    ComboButton->LeftWidth = 2;
    ComboButton->RightWidth = a + 2;
    Copy24(strip, *SunkEdge->Bitmap, true);
    SunkEdge->LeftWidth = a + 2;
    SunkEdge->RightWidth = 2;
}

void TSkinObjects::MakeComboArrow()
{
    if (!ComboButton) return;
    if (!SunkEdge) {
        if (!ComboxArrow) ComboxArrow = std::make_unique<TDataSkinObject>("ComboxArrow");
        Copy24(*ComboButton->Bitmap, *ComboxArrow->Bitmap, false);
        ReplaceMagenta(*ComboxArrow->Bitmap, cl::ColorToRGB(Colors[scButtonFace]));
        ComboxArrow->Frame = ComboButton->Frame;
    } else if (ComboButton->Style == 2) {
        if (!ComboxArrow) ComboxArrow = std::make_unique<TDataSkinObject>("ComboxArrow");
        const int F = ComboButton->Frame;
        const int w = ComboButton->Bitmap->Width() / F;
        cl::TBitmap& arrow = *ComboxArrow->Bitmap;
        arrow.SetPixelFormat(cl::pf24bit);
        arrow.SetSize(17 * F, 17);
        for (int i = 0; i < F; ++i)
            BitBlt(arrow.Canvas()->Handle(), 17 * i, 0, 17, 17, ComboButton->Bitmap->Canvas()->Handle(), w * (i + 1) - 19, 2,
                   SRCCOPY);
        ComboxArrow->Frame = F;
    }
}

void TSkinObjects::MakeToolbar()
{
    if (!Toolbar) Toolbar = std::make_unique<TDataSkinObject>("Toolbar");
    TGradientColors g = ToolbarGradient(cl::ColorToRGB(Colors[scButtonFace]), cl::ColorToRGB(FormColor));
    cl::TBitmap& bmp = *Toolbar->Bitmap;
    bmp.SetPixelFormat(cl::pf24bit);
    bmp.SetSize(10, 40);
    FillGradient(bmp.Canvas()->Handle(), RECT{0, 0, 10, 40}, g.top, true, g.bottom);
    Toolbar->Frame = 1;
}

} // namespace skin
