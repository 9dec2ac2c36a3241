// Published properties by name for the control skins.
#include "skin/controls/PropAccess.h"

#include "classlib/Encoding.h"

namespace skin {

namespace {
const cl::TPropInfo* Find(const cl::TObject* object, std::string_view name)
{
    return object ? object->ClassType().FindProperty(name) : nullptr;
}
} // namespace

std::int64_t GetPropInt(const cl::TObject* object, std::string_view name)
{
    const cl::TPropInfo* p = Find(object, name);
    if (!p || p->kind != cl::TTypeKind::Integer || !p->get) return -1;
    const cl::TValue v = p->get(*object);
    const auto* i = std::get_if<std::int64_t>(&v);
    return i ? *i : -1;
}

cl::AnsiString GetPropEnum(const cl::TObject* object, std::string_view name)
{
    const cl::TPropInfo* p = Find(object, name);
    if (!p || p->kind != cl::TTypeKind::Enumeration || !p->enumType || !p->get) return {};
    const cl::TValue v = p->get(*object);
    const auto* i = std::get_if<std::int64_t>(&v);
    if (!i || *i < 0 || *i >= static_cast<std::int64_t>(p->enumType->names.size())) return {};
    return p->enumType->names[static_cast<size_t>(*i)];
}

std::wstring GetPropText(const cl::TObject* object, std::string_view name)
{
    const cl::TPropInfo* p = Find(object, name);
    if (!p || !p->get) return {};
    if (p->kind == cl::TTypeKind::WString) {
        const cl::TValue v = p->get(*object);
        const auto* w = std::get_if<std::wstring>(&v);
        return w ? *w : std::wstring();
    }
    if (p->kind == cl::TTypeKind::String) {
        const cl::TValue v = p->get(*object);
        const auto* s = std::get_if<cl::AnsiString>(&v);
        return s ? cl::AnsiToWide(*s) : std::wstring();
    }
    return {};
}

cl::TObject* GetPropObject(const cl::TObject* object, std::string_view name, const cl::TClass& cls)
{
    const cl::TPropInfo* p = Find(object, name);
    if (!p || p->kind != cl::TTypeKind::Class || !p->get) return nullptr;
    const cl::TValue v = p->get(*object);
    const auto* o = std::get_if<cl::TObject*>(&v);
    if (!o || !*o || !(*o)->ClassType().InheritsFrom(cls)) return nullptr;
    return *o;
}

void SetPropValue(cl::TObject* object, std::string_view name, const cl::AnsiString& text)
{
    const cl::TPropInfo* p = Find(object, name);
    if (!p || !p->set) return;
    switch (p->kind) {
    case cl::TTypeKind::Integer: {
        std::int32_t value = 0;
        if (cl::TryStrToInt(text, value)) p->set(*object, cl::TValue(std::int64_t(value)));
        break;
    }
    case cl::TTypeKind::Enumeration: {
        if (!p->enumType) break;
        const int value = p->enumType->ValueOf(text);
        if (value >= 0) p->set(*object, cl::TValue(std::int64_t(value)));
        break;
    }
    case cl::TTypeKind::String: p->set(*object, cl::TValue(text)); break;
    case cl::TTypeKind::WString: p->set(*object, cl::TValue(cl::AnsiToWide(text))); break;
    default: break;
    }
}

bool PropIsTrue(const cl::TObject* object, std::string_view name)
{
    return cl::LowerCase(GetPropEnum(object, name)) == "true";
}

} // namespace skin
