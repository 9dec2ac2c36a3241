#include "TestComponents.h"

namespace fixture {

const cl::TEnumType ShadeType{{"shLight", "shDark", "shNone"}};
const cl::TEnumType FlagType{{"flBold", "flWide", "flLoud"}};

std::vector<std::string>* TWidget::log = nullptr;

const cl::TClass& TStyle::StaticClass()
{
    return cl::DefineClass<TStyle, cl::TPersistent>("TStyle", [](cl::TPublisher<TStyle>& p) {
        p.Int("Size", &TStyle::size, &TStyle::size);
        p.String("Face", &TStyle::face, &TStyle::face);
    });
}

void TStyle::Assign(const cl::TPersistent& source)
{
    auto* other = dynamic_cast<const TStyle*>(&source);
    if (!other) return TPersistent::Assign(source);
    size = other->size;
    face = other->face;
}

const cl::TClass& TPin::StaticClass()
{
    return cl::DefineClass<TPin, cl::TCollectionItem>("TPin", [](cl::TPublisher<TPin>& p) {
        p.Int("Width", &TPin::width, &TPin::width);
        p.String("Text", &TPin::text, &TPin::text);
    });
}

const cl::TClass& TWidget::StaticClass()
{
    return cl::DefineClass<TWidget, cl::TComponent>("TWidget", [](cl::TPublisher<TWidget>& p) {
        p.Int("Count", &TWidget::count, &TWidget::count).Idents([](std::string_view id, std::int64_t& v) {
            if (id != "cnMany") return false;
            v = 1000;
            return true;
        });
        p.Bool("Enabled", &TWidget::enabled, &TWidget::enabled);
        p.Enum("Shade", ShadeType, &TWidget::shade, &TWidget::shade);
        p.Set("Flags", FlagType, &TWidget::flags, &TWidget::flags);
        p.String("Caption", &TWidget::caption, &TWidget::caption);
        p.WString("Hint", &TWidget::hint, &TWidget::hint);
        p.Float("Ratio", &TWidget::ratio, &TWidget::ratio);
        p.Binary("Blob", &TWidget::blob, &TWidget::blob);
        p.Owned("Style", &TWidget::GetStyle);
        p.Owned("Lines", &TWidget::GetLines);
        p.Owned("Pins", &TWidget::GetPins);
        p.Ref("Buddy", &TWidget::buddy, &TWidget::SetBuddy);
        p.Event("OnPing", &TWidget::OnPing);
        p.Event("OnClick", &TWidget::OnClick);
        p.Int("ReadOnlyCount", &TWidget::count);
    });
}

TWidget::TWidget(cl::TComponent* owner) : TComponent(owner) {}

TWidget::~TWidget()
{
    if (log) log->push_back("free " + Name());
}

void TWidget::SetBuddy(TWidget* w)
{
    if (buddy) buddy->RemoveFreeNotification(*this);
    buddy = w;
    if (w) w->FreeNotification(*this);
}

void TWidget::Loaded()
{
    TComponent::Loaded();
    if (log) log->push_back("loaded " + Name());
}

void TWidget::Notification(cl::TComponent& component, cl::TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == cl::TOperation::opRemove && &component == buddy) buddy = nullptr;
}

const cl::TClass& TFancyWidget::StaticClass()
{
    return cl::DefineClass<TFancyWidget, TWidget>("TFancyWidget", [](cl::TPublisher<TFancyWidget>& p) {
        p.Int("Sparkle", &TFancyWidget::sparkle, &TFancyWidget::sparkle);
    });
}

const cl::TClass& TTestForm::StaticClass()
{
    return cl::DefineClass<TTestForm, cl::TComponent>("TTestForm", [](cl::TPublisher<TTestForm>& p) {
        p.Field("Header", &TTestForm::Header);
        p.Field("Body", &TTestForm::Body);
        p.Handler("HeaderClick", &TTestForm::HeaderClick);
        p.Handler("BodyPing", &TTestForm::BodyPing);
    });
}

} // namespace fixture
