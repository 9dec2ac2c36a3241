// Declaring a class's metadata: its published properties, handlers and component fields.
//
//   const cl::TClass& TButton::StaticClass() {
//       return cl::DefineClass<TButton, TWinControl>("TButton", [](cl::TPublisher<TButton>& p) {
//           p.Bool("Default", &TButton::Default, &TButton::SetDefault);
//           p.Event("OnClick", &TButton::OnClick);
//       });
//   }
//
// Getters and setters are member functions or data members; a setter may be omitted for a
// read-only property.
#pragma once

#include <type_traits>

namespace cl {

namespace detail {

template <class T, class G> auto Read(const T& obj, G get) { return std::invoke(get, obj); }

template <class T, class S, class V> void Write(T& obj, S set, V&& value)
{
    if constexpr (std::is_member_object_pointer_v<S>)
        obj.*set = std::forward<V>(value);
    else
        std::invoke(set, obj, std::forward<V>(value));
}

template <class T> const T& Self(const TObject& obj) { return static_cast<const T&>(obj); }
template <class T> T& Self(TObject& obj) { return static_cast<T&>(obj); }

std::int64_t AsInteger(const TValue& v, const std::string& prop);
const AnsiString& AsString(const TValue& v, const std::string& prop);
const std::wstring& AsWString(const TValue& v, const std::string& prop);
double AsFloat(const TValue& v, const std::string& prop);
TObject* AsObject(const TValue& v, const std::string& prop);
const TBytes& AsBytes(const TValue& v, const std::string& prop);
[[noreturn]] void WrongHandler(const std::string& prop);
void AssignOwned(TObject* dest, TObject* source, const std::string& prop);
void Register(const TClass& cls);

template <class M> struct MemberFn;
template <class C, class R, class... A> struct MemberFn<R (C::*)(A...)> {
    using Function = std::function<R(A...)>;
};

struct NoSetter {};

} // namespace detail

template <class T> class TPublisher {
public:
    explicit TPublisher(TClass& cls) : cls_(cls) {}

    template <class G, class S = detail::NoSetter>
    TPublisher& Int(const char* name, G get, S set = {})
    {
        using V = std::decay_t<decltype(detail::Read(std::declval<const T&>(), get))>;
        return Add(name, TTypeKind::Integer, nullptr, nullptr,
                   [get](const TObject& o) { return TValue(std::int64_t(detail::Read(detail::Self<T>(o), get))); },
                   Setter(name, set, [](const TValue& v, const std::string& n) { return static_cast<V>(detail::AsInteger(v, n)); }));
    }

    // Named constants for the integer property published last.
    TPublisher& Idents(std::function<bool(std::string_view, std::int64_t&)> identToInt)
    {
        cls_.props_.back().identToInt = std::move(identToInt);
        return *this;
    }

    template <class G, class S = detail::NoSetter>
    TPublisher& Bool(const char* name, G get, S set = {})
    {
        return Add(name, TTypeKind::Enumeration, &BooleanType, nullptr,
                   [get](const TObject& o) { return TValue(std::int64_t(detail::Read(detail::Self<T>(o), get) ? 1 : 0)); },
                   Setter(name, set, [](const TValue& v, const std::string& n) { return detail::AsInteger(v, n) != 0; }));
    }

    // Enumerations: the C++ enum's values are the ordinals of type's names.
    template <class G, class S = detail::NoSetter>
    TPublisher& Enum(const char* name, const TEnumType& type, G get, S set = {})
    {
        using V = std::decay_t<decltype(detail::Read(std::declval<const T&>(), get))>;
        return Add(name, TTypeKind::Enumeration, &type, nullptr,
                   [get](const TObject& o) { return TValue(std::int64_t(detail::Read(detail::Self<T>(o), get))); },
                   Setter(name, set, [](const TValue& v, const std::string& n) { return static_cast<V>(detail::AsInteger(v, n)); }));
    }

    // Sets: bit i of the value stands for type's name i.
    template <class G, class S = detail::NoSetter>
    TPublisher& Set(const char* name, const TEnumType& type, G get, S set = {})
    {
        using V = std::decay_t<decltype(detail::Read(std::declval<const T&>(), get))>;
        return Add(name, TTypeKind::Set, &type, nullptr,
                   [get](const TObject& o) { return TValue(std::int64_t(detail::Read(detail::Self<T>(o), get))); },
                   Setter(name, set, [](const TValue& v, const std::string& n) { return static_cast<V>(detail::AsInteger(v, n)); }));
    }

    template <class G, class S = detail::NoSetter>
    TPublisher& String(const char* name, G get, S set = {})
    {
        return Add(name, TTypeKind::String, nullptr, nullptr,
                   [get](const TObject& o) { return TValue(AnsiString(detail::Read(detail::Self<T>(o), get))); },
                   Setter(name, set, [](const TValue& v, const std::string& n) { return detail::AsString(v, n); }));
    }

    template <class G, class S = detail::NoSetter>
    TPublisher& WString(const char* name, G get, S set = {})
    {
        return Add(name, TTypeKind::WString, nullptr, nullptr,
                   [get](const TObject& o) { return TValue(std::wstring(detail::Read(detail::Self<T>(o), get))); },
                   Setter(name, set, [](const TValue& v, const std::string& n) { return detail::AsWString(v, n); }));
    }

    template <class G, class S = detail::NoSetter>
    TPublisher& Float(const char* name, G get, S set = {})
    {
        using V = std::decay_t<decltype(detail::Read(std::declval<const T&>(), get))>;
        return Add(name, TTypeKind::Float, nullptr, nullptr,
                   [get](const TObject& o) { return TValue(double(detail::Read(detail::Self<T>(o), get))); },
                   Setter(name, set, [](const TValue& v, const std::string& n) { return static_cast<V>(detail::AsFloat(v, n)); }));
    }

    template <class G, class S = detail::NoSetter>
    TPublisher& Binary(const char* name, G get, S set = {})
    {
        return Add(name, TTypeKind::Binary, nullptr, nullptr,
                   [get](const TObject& o) { return TValue(TBytes(detail::Read(detail::Self<T>(o), get))); },
                   Setter(name, set, [](const TValue& v, const std::string& n) { return detail::AsBytes(v, n); }));
    }

    // An object the instance owns (a font, a string list, a collection): read-only as a
    // reference; setting a value assigns its contents.
    template <class G> TPublisher& Owned(const char* name, G get)
    {
        using C = std::remove_pointer_t<std::decay_t<decltype(detail::Read(std::declval<const T&>(), get))>>;
        std::string prop = name;
        TPropInfo& info = Append(name, TTypeKind::Class, nullptr, &C::StaticClass,
                                 [get](const TObject& o) { return TValue(static_cast<TObject*>(detail::Read(detail::Self<T>(o), get))); },
                                 [get, prop](TObject& o, const TValue& v) {
                                     detail::AssignOwned(detail::Read(detail::Self<T>(o), get), detail::AsObject(v, prop), prop);
                                 });
        info.owned = true;
        return *this;
    }

    // A reference to an object of class C (or null) that the instance does not own.
    template <class G, class S = detail::NoSetter>
    TPublisher& Ref(const char* name, G get, S set = {})
    {
        using C = std::remove_pointer_t<std::decay_t<decltype(detail::Read(std::declval<const T&>(), get))>>;
        return Add(name, TTypeKind::Class, nullptr, &C::StaticClass,
                   [get](const TObject& o) { return TValue(static_cast<TObject*>(detail::Read(detail::Self<T>(o), get))); },
                   Setter(name, set, [](const TValue& v, const std::string& n) -> C* {
                       TObject* obj = detail::AsObject(v, n);
                       if (obj && !obj->InheritsFrom(C::StaticClass()))
                           throw EPropertyError("Property \"" + n + "\" takes a " + C::StaticClass().Name() +
                                                ", not a " + obj->ClassName());
                       return static_cast<C*>(obj);
                   }));
    }

    // An event: a std::function data member whose first argument is the sender.
    template <class F> TPublisher& Event(const char* name, F T::*field)
    {
        std::string prop = name;
        return Add(name, TTypeKind::Method, nullptr, nullptr,
                   [field](const TObject& o) {
                       const F& fn = detail::Self<T>(o).*field;
                       TMethodValue m;
                       m.type = typeid(F);
                       if (fn) m.handler = fn;
                       return TValue(m);
                   },
                   [field, prop](TObject& o, const TValue& v) {
                       const auto* m = std::get_if<TMethodValue>(&v);
                       if (!m) throw EPropertyError("Property \"" + prop + "\" takes an event handler");
                       if (!m->handler.has_value()) {
                           detail::Self<T>(o).*field = nullptr;
                           return;
                       }
                       if (m->type != typeid(F)) detail::WrongHandler(prop);
                       detail::Self<T>(o).*field = std::any_cast<F>(m->handler);
                   });
    }

    // A handler method of the class that form resources bind events to by name.
    template <class M> TPublisher& Handler(const char* name, M method)
    {
        using F = typename detail::MemberFn<M>::Function;
        THandlerInfo h;
        h.name = name;
        h.type = typeid(F);
        h.bind = [method](TObject& o) -> std::any {
            T* self = &detail::Self<T>(o);
            return F([self, method](auto&&... args) { return (self->*method)(std::forward<decltype(args)>(args)...); });
        };
        cls_.handlers_.push_back(std::move(h));
        return *this;
    }

    // A component field the loader fills when the resource creates a component of that name.
    template <class C> TPublisher& Field(const char* name, C* T::*field)
    {
        TFieldInfo f;
        f.name = name;
        f.classType = &C::StaticClass;
        f.assign = [field](TObject& o, TComponent* c) { detail::Self<T>(o).*field = static_cast<C*>(c); };
        cls_.fields_.push_back(std::move(f));
        return *this;
    }

private:
    template <class S, class Convert>
    static std::function<void(TObject&, const TValue&)> Setter(const char* name, S set, Convert convert)
    {
        if constexpr (std::is_same_v<S, detail::NoSetter>) {
            return {};
        } else {
            return [set, convert, prop = std::string(name)](TObject& o, const TValue& v) {
                detail::Write(detail::Self<T>(o), set, convert(v, prop));
            };
        }
    }

    TPublisher& Add(const char* name, TTypeKind kind, const TEnumType* type, const TClass& (*cls)(),
                    std::function<TValue(const TObject&)> get, std::function<void(TObject&, const TValue&)> set)
    {
        Append(name, kind, type, cls, std::move(get), std::move(set));
        return *this;
    }

    TPropInfo& Append(const char* name, TTypeKind kind, const TEnumType* type, const TClass& (*cls)(),
                      std::function<TValue(const TObject&)> get, std::function<void(TObject&, const TValue&)> set)
    {
        TPropInfo p;
        p.name = name;
        p.kind = kind;
        p.enumType = type;
        p.classType = cls;
        p.get = std::move(get);
        p.set = std::move(set);
        cls_.props_.push_back(std::move(p));
        return cls_.props_.back();
    }

    TClass& cls_;
};

// The metadata of T (derived from Parent), made once; T is creatable by name when it is a
// concrete component with a constructor taking its owner.
template <class T, class Parent> const TClass& DefineClass(const char* name, void (*publish)(TPublisher<T>&) = nullptr)
{
    static const TClass& cls = [&]() -> const TClass& {
        TClass::Factory factory = nullptr;
        if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                      std::is_constructible_v<T, TComponent*>)
            factory = [](TComponent* owner) -> TComponent* { return new T(owner); };
        static TClass c(name, &Parent::StaticClass(), factory);
        if (publish) {
            TPublisher<T> p(c);
            publish(p);
        }
        detail::Register(c);
        return c;
    }();
    return cls;
}

} // namespace cl
