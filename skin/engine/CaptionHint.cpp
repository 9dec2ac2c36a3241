// The caption hint window.
#include "skin/engine/CaptionHint.h"

#include "classlib/Controls.h"

namespace skin {

namespace {

constexpr wchar_t ClassName[] = L"TSkinCaptionHint";
constexpr int Padding = 2; // text inset from the border

ATOM RegisterHintClass(WNDPROC proc)
{
    static const ATOM atom = [proc] {
        WNDCLASSW wc{};
        wc.style = CS_SAVEBITS;
        wc.lpfnWndProc = proc;
        wc.hInstance = cl::ModuleInstance();
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = ClassName;
        return RegisterClassW(&wc);
    }();
    return atom;
}

} // namespace

HFONT TCaptionHint::Font()
{
    if (!font_) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font_.reset(CreateFontIndirectW(&metrics.lfStatusFont));
    }
    return font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

RECT TCaptionHint::CalcHintRect(int maxWidth, const std::wstring& text)
{
    RECT r{0, 0, maxWidth, 0};
    cl::WindowDc screen(nullptr);
    if (screen.get()) {
        cl::SelectGuard font(screen.get(), Font());
        DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    }
    // Border and inset on every side.
    r.right += 2 * (Padding + 1) + 2;
    r.bottom += 2 * (Padding + 1);
    return r;
}

void TCaptionHint::ActivateHint(const RECT& rect, const std::wstring& text)
{
    text_ = text;
    if (!window_) {
        if (!RegisterHintClass(&WndProc)) return;
        window_.reset(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, ClassName, L"", WS_POPUP | WS_BORDER,
                                      rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                      nullptr, cl::ModuleInstance(), this));
        if (!window_) return;
    }
    SetWindowPos(window_.get(), HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(window_.get(), nullptr, TRUE);
}

void TCaptionHint::Hide()
{
    if (window_) ShowWindow(window_.get(), SW_HIDE);
}

void TCaptionHint::Paint(HDC dc)
{
    RECT r{};
    GetClientRect(window_.get(), &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
    InflateRect(&r, -Padding, -Padding);
    const int mode = SetBkMode(dc, TRANSPARENT);
    const COLORREF colour = SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    {
        cl::SelectGuard font(dc, Font());
        DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    }
    SetTextColor(dc, colour);
    SetBkMode(dc, mode);
}

LRESULT CALLBACK TCaptionHint::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        if (msg == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<TCaptionHint*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        switch (msg) {
        case WM_NCHITTEST: return HTTRANSPARENT;
        case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            cl::PaintDc dc(wnd);
            if (self && dc.get()) self->Paint(dc.get());
            return 0;
        }
        default: break;
        }
    } catch (...) {
        // Nothing is painted this time.
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

} // namespace skin
