// The object model: classes with names and published properties, persistent objects,
// components that own components, and collections.
#pragma once

#include "classlib/SysUtils.h"

#include <any>
#include <functional>
#include <memory>
#include <string_view>
#include <typeindex>
#include <variant>
#include <vector>

namespace cl {

class TObject;
class TPersistent;
class TComponent;
class TClass;
template <class T> class TPublisher;

using TBytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------------------
// Published properties (run-time type information)

enum class TTypeKind { Integer, Enumeration, Set, String, WString, Float, Class, Method, Binary };

// Value names of an enumeration (ordinals from 0), also the element names of a set.
struct TEnumType {
    std::vector<std::string> names;
    int ValueOf(std::string_view name) const; // case-insensitive, -1 if none
};
extern const TEnumType BooleanType; // "False", "True"

// An event handler as a property value: a std::function of the event's exact type.
struct TMethodValue {
    std::any handler;  // empty when unassigned
    std::type_index type = typeid(void);
};

using TValue = std::variant<std::monostate, std::int64_t, AnsiString, std::wstring, double,
                            TObject*, TMethodValue, TBytes>;

struct TPropInfo {
    std::string name;
    TTypeKind kind = TTypeKind::Integer;
    const TEnumType* enumType = nullptr;   // Enumeration and Set
    const TClass& (*classType)() = nullptr; // Class (a function: a class may refer to itself)
    bool owned = false;                    // Class: an object the instance owns (Font, Lines)
    // Integer: named constants a form resource may use for values (colours, cursors).
    std::function<bool(std::string_view ident, std::int64_t& value)> identToInt;
    std::function<TValue(const TObject&)> get;
    std::function<void(TObject&, const TValue&)> set; // empty: read-only
};

// A published handler of a form, bound by name from a form resource.
struct THandlerInfo {
    std::string name;
    std::type_index type = typeid(void);
    std::function<std::any(TObject&)> bind; // a std::function calling the handler on the object
};

// A published component field of a form: the loader stores the component it creates under
// that name, and takes the class to create from the field when the resource names it.
struct TFieldInfo {
    std::string name;
    const TClass& (*classType)() = nullptr;
    std::function<void(TObject&, TComponent*)> assign;
};

// Class metadata, one per class, made on first use.
class TClass {
public:
    using Factory = TComponent* (*)(TComponent* owner);

    TClass(const char* name, const TClass* parent, Factory create);
    TClass(const TClass&) = delete;
    TClass& operator=(const TClass&) = delete;

    const std::string& Name() const { return name_; }
    const TClass* Parent() const { return parent_; }
    bool InheritsFrom(const TClass& other) const;
    bool InheritsFrom(std::string_view className) const; // case-insensitive
    TComponent* Create(TComponent* owner) const;         // EClassNotFound if abstract

    const TPropInfo* FindProperty(std::string_view name) const;  // case-insensitive, inherited too
    std::vector<const TPropInfo*> Properties() const;            // base class first
    const THandlerInfo* FindHandler(std::string_view name) const;
    const TFieldInfo* FindField(std::string_view name) const;

private:
    template <class T> friend class TPublisher;
    std::string name_;
    const TClass* parent_;
    Factory create_;
    std::vector<TPropInfo> props_;
    std::vector<THandlerInfo> handlers_;
    std::vector<TFieldInfo> fields_;
};

// Classes creatable by name (form resources); a class registers itself the first time its
// metadata is made, and RegisterClasses makes that happen up front.
void RegisterClass(const TClass& cls);
const TClass* FindClass(std::string_view name); // case-insensitive; null if unknown
const TClass& GetClass(std::string_view name);  // EClassNotFound if unknown

// Declares the metadata of a class inside its body.
#define CL_CLASS(Self)                                                            \
public:                                                                           \
    static const ::cl::TClass& StaticClass();                                     \
    const ::cl::TClass& ClassType() const override { return StaticClass(); }      \
                                                                                  \
private:                                                                          \
    friend class ::cl::TPublisher<Self>;

// ---------------------------------------------------------------------------------------

class TObject {
public:
    virtual ~TObject() = default;
    static const TClass& StaticClass();
    virtual const TClass& ClassType() const { return StaticClass(); }
    const std::string& ClassName() const { return ClassType().Name(); }
    bool InheritsFrom(const TClass& cls) const { return ClassType().InheritsFrom(cls); }
    bool InheritsFrom(std::string_view className) const { return ClassType().InheritsFrom(className); }
};

class EConvertError;

class TPersistent : public TObject {
    CL_CLASS(TPersistent)
public:
    // Copies Source into this object; EConvertError when the classes do not match.
    virtual void Assign(const TPersistent& source);

protected:
    virtual void AssignTo(TPersistent& dest) const;
};

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csDesigning = 1u << 2,
    csDestroying = 1u << 3,
};

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    CL_CLASS(TComponent)
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    TComponent* FindComponent(std::string_view name) const; // case-insensitive

    const AnsiString& Name() const { return name_; }
    // A valid identifier, unique among the owner's components (EComponentError otherwise).
    virtual void SetName(const AnsiString& name);
    std::int32_t Tag() const { return tag_; }
    void SetTag(std::int32_t tag) { tag_ = tag; }

    unsigned ComponentState() const { return state_; }
    bool HasState(TComponentStateFlag flag) const { return (state_ & flag) != 0; }
    void SetDesigning(bool designing);

    void InsertComponent(TComponent& component);
    void RemoveComponent(TComponent& component);
    // Asks for a Notification(this, opRemove) when component goes, across owners.
    void FreeNotification(TComponent& component);
    void RemoveFreeNotification(TComponent& component);

    // Runs while the whole object still exists, just before it is deleted by Free or by
    // its owner: derived classes raise their destroy events here (a base destructor runs
    // after the derived members are gone). Marks the component as destroying.
    virtual void BeforeDestruction();

    // Form-resource loading: the loader marks the component, then calls Loaded once
    // every component of the resource exists and every reference is resolved.
    void BeginLoading() { state_ |= csLoading | csReading; }
    virtual void Loaded();
    // The component a form resource nests this one in (controls take it as Parent).
    virtual void SetParentComponent(TComponent* parent);

protected:
    virtual void Notification(TComponent& component, TOperation operation);
    // Frees owned components and tells those that asked; derived destructors that need
    // their children gone earlier may call it first.
    void DestroyComponents();

private:
    void Insert(TComponent& component);
    void Remove(TComponent& component);

    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    AnsiString name_;
    std::int32_t tag_ = 0;
    unsigned state_ = 0;
};

class EComponentError : public Exception { using Exception::Exception; };

// Frees a component the way its owner would: BeforeDestruction, then delete.
void Free(TComponent* component);

// ---------------------------------------------------------------------------------------
// Collections: owned lists of items of one class, stored in form resources as "< {...} >".

class TCollection;

class TCollectionItem : public TPersistent {
    CL_CLASS(TCollectionItem)
public:
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    TCollection* Collection() const { return collection_; }
    int Index() const;

private:
    friend class TCollection;
    TCollection* collection_;
};

class TCollection : public TPersistent {
    CL_CLASS(TCollection)
public:
    using ItemFactory = std::function<TCollectionItem*(TCollection*)>;
    explicit TCollection(ItemFactory factory);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const;
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();
    void Assign(const TPersistent& source) override;

protected:
    // Called after items are added, removed or changed.
    virtual void Update(TCollectionItem* item);

private:
    friend class TCollectionItem;
    ItemFactory factory_;
    std::vector<TCollectionItem*> items_;
};

// Typed view of a collection whose items are all of class Item.
template <class Item> class TOwnedCollection : public TCollection {
public:
    TOwnedCollection() : TCollection([](TCollection* c) { return new Item(c); }) {}
    Item* operator[](int index) const { return static_cast<Item*>(Items(index)); }
    Item* AddItem() { return static_cast<Item*>(Add()); }
};

} // namespace cl

#include "classlib/Publish.h"
