// A small component family exercising every kind of published property.
#pragma once

#include "classlib/Classes.h"
#include "classlib/Strings.h"

#include <string>
#include <vector>

namespace fixture {

enum class TShade { shLight, shDark, shNone };
enum TFlag : unsigned { flBold = 1, flWide = 2, flLoud = 4 };
extern const cl::TEnumType ShadeType;
extern const cl::TEnumType FlagType;

// An owned persistent with properties of its own (reached as "Style.Size").
class TStyle : public cl::TPersistent {
    CL_CLASS(TStyle)
public:
    int size = 9;
    cl::AnsiString face = "SimSun";
    void Assign(const cl::TPersistent& source) override;
};

class TPin : public cl::TCollectionItem {
    CL_CLASS(TPin)
public:
    using TCollectionItem::TCollectionItem;
    int width = 0;
    cl::AnsiString text;
};

using TPingEvent = std::function<void(cl::TObject* sender, int& answer)>;

// Records what happened to it in a log shared by the test.
class TWidget : public cl::TComponent {
    CL_CLASS(TWidget)
public:
    explicit TWidget(cl::TComponent* owner);
    ~TWidget() override;

    static std::vector<std::string>* log;

    int count = 0;
    bool enabled = true;
    TShade shade = TShade::shLight;
    unsigned flags = 0;
    cl::AnsiString caption;
    std::wstring hint;
    double ratio = 1.0;
    cl::TBytes blob;
    TStyle style;
    cl::TStringList lines;
    cl::TOwnedCollection<TPin> pins;
    TWidget* buddy = nullptr;
    TPingEvent OnPing;
    std::function<void(cl::TObject*)> OnClick;
    cl::TComponent* parent = nullptr;

    void SetBuddy(TWidget* w);
    TStyle* GetStyle() const { return const_cast<TStyle*>(&style); }
    cl::TStringList* GetLines() const { return const_cast<cl::TStringList*>(&lines); }
    cl::TCollection* GetPins() const { return const_cast<cl::TOwnedCollection<TPin>*>(&pins); }

    void Loaded() override;
    void SetParentComponent(cl::TComponent* p) override { parent = p; }

protected:
    void Notification(cl::TComponent& component, cl::TOperation operation) override;
};

class TFancyWidget : public TWidget {
    CL_CLASS(TFancyWidget)
public:
    using TWidget::TWidget;
    int sparkle = 0;
};

class TTestForm : public cl::TComponent {
    CL_CLASS(TTestForm)
public:
    using TComponent::TComponent;
    TWidget* Header = nullptr;
    TWidget* Body = nullptr;
    int clicks = 0;
    void HeaderClick(cl::TObject*) { ++clicks; }
    void BodyPing(cl::TObject*, int& answer) { answer = 42; }
};

} // namespace fixture
