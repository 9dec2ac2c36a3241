// A pane made from a form resource with the settings every pane of the program carries:
// the flag words it ends with, its print options, and a handler bound by name.
#include "browser/WebPane.h"
#include "classlib/FormReader.h"
#include "classlib/Forms.h"
#include "tests/browser/Fakes.h"

#include <gtest/gtest.h>

namespace {

class TPaneForm : public cl::TForm {
    CL_CLASS(TPaneForm)
public:
    using TForm::TForm;
    browser::TWebPane* webMain = nullptr;
    fakes::ScriptObject external;
    int externalCalls = 0;
    HRESULT webMainGetExternal(cl::TComPtr<IDispatch>& dispatch)
    {
        ++externalCalls;
        dispatch = cl::TComPtr<IDispatch>(&external);
        return S_OK;
    }
};

const char paneForm[] = u8R"(TPaneForm PaneForm {
  Width = 400  Height = 300
  TWebPane webMain {
    Left = 0  Top = 0  Width = 320  Height = 240
    DownloadOptions = [DLCTL_DLIMAGES, DLCTL_VIDEOS, DLCTL_BGSOUNDS]
    UserInterfaceOptions = [NO3DBORDER, SCROLL_NO, NO3DOUTERBORDER]
    OnGetExternal = webMainGetExternal
    PrintOptions.Margins.Left = 0.75
    PrintOptions.Header = "&w&b页码，&p/&P"
    PrintOptions.HTMLHeader = ("<HTML></HTML>")
    PrintOptions.Footer = "&u&b&d"
    PrintOptions.Orientation = poPortrait
    ReplaceCaption = False
    HideBorders = True
    HideScrollBars = True
    DisableRightClickMenu = True
    EnableDDE = False
    fpExceptions = True
  }
})";

} // namespace

const cl::TClass& TPaneForm::StaticClass()
{
    return cl::DefineClass<TPaneForm, cl::TForm>("TPaneForm", [](cl::TPublisher<TPaneForm>& p) {
        p.Field("webMain", &TPaneForm::webMain);
        p.Handler("webMainGetExternal", &TPaneForm::webMainGetExternal);
    });
}

TEST(WebPaneResource, LoadedWithTheProgramsSettings)
{
    browser::TWebPane::StaticClass(); // creatable by name
    {
        TPaneForm form(nullptr);
        cl::ReadComponentText(paneForm, form);
        ASSERT_NE(form.webMain, nullptr);
        browser::TWebPane& pane = *form.webMain;
        EXPECT_EQ(pane.DownloadControlWord(), 0x70u);
        EXPECT_EQ(pane.HostUIWord(), 0x20000Cu);
        EXPECT_TRUE(pane.DisableRightClickMenu);
        EXPECT_EQ(pane.PrintOptions()->Header, "&w&b页码，&p/&P");
        EXPECT_EQ(pane.PrintOptions()->Footer, "&u&b&d");
        EXPECT_EQ(pane.PrintOptions()->HTMLHeader()->Count(), 1);
        EXPECT_DOUBLE_EQ(pane.PrintOptions()->Margins()->Left, 0.75);

        pane.Handle();
        cl::TComPtr<IDocHostUIHandler> handler;
        pane.ClientSite()->QueryInterface(__uuidof(IDocHostUIHandler), reinterpret_cast<void**>(handler.put()));
        ASSERT_TRUE(handler);
        IDispatch* external = nullptr;
        EXPECT_EQ(handler->GetExternal(&external), S_OK);
        EXPECT_EQ(external, static_cast<IDispatch*>(&form.external));
        EXPECT_EQ(form.externalCalls, 1);
        if (external) external->Release();
        DOCHOSTUIINFO info{};
        EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
        EXPECT_EQ(info.dwFlags, 0x20000Cu);
        POINT pt{};
        EXPECT_EQ(handler->ShowContextMenu(0, &pt, nullptr, nullptr), S_OK);
    }
}
