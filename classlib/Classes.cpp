#include "classlib/Classes.h"


#include <algorithm>
#include <map>

namespace cl {

// ---------------------------------------------------------------------------------------
// Metadata

const TEnumType BooleanType{{"False", "True"}};

int TEnumType::ValueOf(std::string_view name) const
{
    for (size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], name)) return static_cast<int>(i);
    return -1;
}

TClass::TClass(const char* name, const TClass* parent, Factory create)
    : name_(name), parent_(parent), create_(create)
{
}

bool TClass::InheritsFrom(const TClass& other) const
{
    for (const TClass* c = this; c; c = c->parent_)
        if (c == &other) return true;
    return false;
}

bool TClass::InheritsFrom(std::string_view className) const
{
    for (const TClass* c = this; c; c = c->parent_)
        if (SameText(c->name_, className)) return true;
    return false;
}

TComponent* TClass::Create(TComponent* owner) const
{
    if (!create_) throw EClassNotFound("Class " + name_ + " cannot be created by name");
    return create_(owner);
}

const TPropInfo* TClass::FindProperty(std::string_view name) const
{
    for (const TClass* c = this; c; c = c->parent_)
        for (const TPropInfo& p : c->props_)
            if (SameText(p.name, name)) return &p;
    return nullptr;
}

std::vector<const TPropInfo*> TClass::Properties() const
{
    std::vector<const TPropInfo*> all;
    if (parent_) all = parent_->Properties();
    for (const TPropInfo& p : props_) {
        // A redeclared property replaces the inherited one in place.
        auto same = std::find_if(all.begin(), all.end(), [&](const TPropInfo* q) { return SameText(q->name, p.name); });
        if (same != all.end()) *same = &p;
        else all.push_back(&p);
    }
    return all;
}

const THandlerInfo* TClass::FindHandler(std::string_view name) const
{
    for (const TClass* c = this; c; c = c->parent_)
        for (const THandlerInfo& h : c->handlers_)
            if (SameText(h.name, name)) return &h;
    return nullptr;
}

const TFieldInfo* TClass::FindField(std::string_view name) const
{
    for (const TClass* c = this; c; c = c->parent_)
        for (const TFieldInfo& f : c->fields_)
            if (SameText(f.name, name)) return &f;
    return nullptr;
}

namespace {
struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const { return CompareText(a, b) < 0; }
};
std::map<std::string, const TClass*, NoCase>& Registry()
{
    static std::map<std::string, const TClass*, NoCase> registry;
    return registry;
}
} // namespace

void RegisterClass(const TClass& cls) { Registry()[cls.Name()] = &cls; }

const TClass* FindClass(std::string_view name)
{
    auto it = Registry().find(std::string(name));
    return it == Registry().end() ? nullptr : it->second;
}

const TClass& GetClass(std::string_view name)
{
    if (const TClass* c = FindClass(name)) return *c;
    throw EClassNotFound("Class " + std::string(name) + " not found");
}

namespace detail {

void Register(const TClass& cls) { RegisterClass(cls); }

namespace {
[[noreturn]] void WrongKind(const std::string& prop, const char* what)
{
    throw EPropertyError("Property \"" + prop + "\" takes " + what);
}
} // namespace

std::int64_t AsInteger(const TValue& v, const std::string& prop)
{
    if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
    WrongKind(prop, "an ordinal value");
}

const AnsiString& AsString(const TValue& v, const std::string& prop)
{
    if (auto* s = std::get_if<AnsiString>(&v)) return *s;
    WrongKind(prop, "a string");
}

const std::wstring& AsWString(const TValue& v, const std::string& prop)
{
    if (auto* s = std::get_if<std::wstring>(&v)) return *s;
    WrongKind(prop, "a wide string");
}

double AsFloat(const TValue& v, const std::string& prop)
{
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    WrongKind(prop, "a number");
}

TObject* AsObject(const TValue& v, const std::string& prop)
{
    if (auto* o = std::get_if<TObject*>(&v)) return *o;
    if (std::holds_alternative<std::monostate>(v)) return nullptr;
    WrongKind(prop, "an object");
}

const TBytes& AsBytes(const TValue& v, const std::string& prop)
{
    if (auto* b = std::get_if<TBytes>(&v)) return *b;
    WrongKind(prop, "binary data");
}

void WrongHandler(const std::string& prop)
{
    throw EPropertyError("Handler does not match the type of event \"" + prop + "\"");
}

void AssignOwned(TObject* dest, TObject* source, const std::string& prop)
{
    auto* d = dynamic_cast<TPersistent*>(dest);
    auto* s = dynamic_cast<TPersistent*>(source);
    if (!d || !s) WrongKind(prop, "a persistent object to copy");
    d->Assign(*s);
}

} // namespace detail

// ---------------------------------------------------------------------------------------

const TClass& TObject::StaticClass()
{
    static const TClass cls("TObject", nullptr, nullptr);
    return cls;
}

const TClass& TPersistent::StaticClass() { return DefineClass<TPersistent, TObject>("TPersistent"); }

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& dest) const
{
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest.ClassName());
}

// ---------------------------------------------------------------------------------------

const TClass& TComponent::StaticClass()
{
    return DefineClass<TComponent, TPersistent>("TComponent", [](TPublisher<TComponent>& p) {
        p.String("Name", &TComponent::Name, &TComponent::SetName);
        p.Int("Tag", &TComponent::Tag, &TComponent::SetTag);
    });
}

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->InsertComponent(*this);
}

TComponent::~TComponent()
{
    state_ |= csDestroying;
    // Everyone holding a free notification on us is told, then forgets us.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& back = other->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(*this, TOperation::opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(*this);
}

void TComponent::DestroyComponents()
{
    // The last created goes first; each child removes itself from our list as it goes.
    while (!components_.empty()) {
        TComponent* child = components_.back();
        Remove(*child);
        Free(child);
    }
}

void TComponent::BeforeDestruction() { state_ |= csDestroying; }

void Free(TComponent* component)
{
    if (!component) return;
    if (!component->HasState(csDestroying)) component->BeforeDestruction();
    delete component;
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

namespace {
bool IsIdentifier(const AnsiString& s)
{
    if (s.empty()) return false;
    auto alpha = [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(static_cast<unsigned char>(s[0]))) return false;
    return std::all_of(s.begin(), s.end(), [&](char c) { return alpha(static_cast<unsigned char>(c)) || (c >= '0' && c <= '9'); });
}
} // namespace

void TComponent::SetName(const AnsiString& name)
{
    if (name == name_) return;
    if (!name.empty() && !IsIdentifier(name)) throw EComponentError("\"" + name + "\" is not a valid component name");
    if (owner_ && !name.empty()) {
        TComponent* same = owner_->FindComponent(name);
        if (same && same != this) throw EComponentError("A component named " + name + " already exists");
    }
    name_ = name;
}

void TComponent::SetDesigning(bool designing)
{
    if (designing) state_ |= csDesigning;
    else state_ &= ~csDesigning;
}

void TComponent::InsertComponent(TComponent& component)
{
    if (!component.name_.empty() && FindComponent(component.name_))
        throw EComponentError("A component named " + component.name_ + " already exists");
    if (component.owner_) component.owner_->RemoveComponent(component);
    Insert(component);
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent& component)
{
    Notification(component, TOperation::opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent& component)
{
    components_.push_back(&component);
    component.owner_ = this;
}

void TComponent::Remove(TComponent& component)
{
    components_.erase(std::remove(components_.begin(), components_.end(), &component), components_.end());
    component.owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent& component)
{
    if (&component == this) return;
    auto add = [](std::vector<TComponent*>& list, TComponent* c) {
        if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
    };
    add(freeNotifies_, &component);
    add(component.freeNotifies_, this);
}

void TComponent::RemoveFreeNotification(TComponent& component)
{
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), &component), freeNotifies_.end());
    auto& back = component.freeNotifies_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::Loaded() { state_ &= ~(csLoading | csReading); }

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::Notification(TComponent& component, TOperation operation)
{
    // Owned components hear of every insertion into and removal from their owner.
    if (operation == TOperation::opRemove) RemoveFreeNotification(component);
    for (size_t i = components_.size(); i-- > 0;)
        if (components_[i] != &component) components_[i]->Notification(component, operation);
}

// ---------------------------------------------------------------------------------------

const TClass& TCollectionItem::StaticClass() { return DefineClass<TCollectionItem, TPersistent>("TCollectionItem"); }

TCollectionItem::TCollectionItem(TCollection* collection) : collection_(collection) {}

TCollectionItem::~TCollectionItem()
{
    if (collection_) {
        auto& items = collection_->items_;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
        collection_->Update(nullptr);
    }
}

int TCollectionItem::Index() const
{
    if (!collection_) return -1;
    const auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

const TClass& TCollection::StaticClass() { return DefineClass<TCollection, TPersistent>("TCollection"); }

TCollection::TCollection(ItemFactory factory) : factory_(std::move(factory)) {}

TCollection::~TCollection()
{
    for (TCollectionItem* item : items_) {
        item->collection_ = nullptr;
        delete item;
    }
}

TCollectionItem* TCollection::Items(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add()
{
    std::unique_ptr<TCollectionItem> item(factory_(this));
    items_.push_back(item.get());
    Update(nullptr);
    return item.release();
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear()
{
    while (!items_.empty()) delete items_.back();
}

void TCollection::Assign(const TPersistent& source)
{
    auto* other = dynamic_cast<const TCollection*>(&source);
    if (!other) return TPersistent::Assign(source);
    if (other == this) return;
    Clear();
    for (TCollectionItem* item : other->items_) Add()->Assign(*item);
}

void TCollection::Update(TCollectionItem*) {}

} // namespace cl
