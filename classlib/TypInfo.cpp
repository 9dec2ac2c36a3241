#include "classlib/TypInfo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>

namespace cl {

const TPropInfo* FindPropInfo(const TObject& obj, std::string_view name) { return obj.ClassType().FindProperty(name); }

const TPropInfo& GetPropInfo(const TObject& obj, std::string_view name)
{
    if (const TPropInfo* p = FindPropInfo(obj, name)) return *p;
    throw EPropertyError("Property \"" + AnsiString(name) + "\" does not exist in " + obj.ClassName());
}

bool IsPublishedProp(const TObject& obj, std::string_view name) { return FindPropInfo(obj, name) != nullptr; }

TValue GetPropValue(const TObject& obj, std::string_view name) { return GetPropInfo(obj, name).get(obj); }

void SetPropValue(TObject& obj, std::string_view name, const TValue& value)
{
    const TPropInfo& p = GetPropInfo(obj, name);
    if (!p.set) throw EPropertyError("Property \"" + p.name + "\" is read-only");
    if (p.kind == TTypeKind::Enumeration) {
        auto* v = std::get_if<std::int64_t>(&value);
        if (v && (*v < 0 || *v >= static_cast<std::int64_t>(p.enumType->names.size())))
            throw EPropertyError("Value " + IntToStr(*v) + " is out of range for property \"" + p.name + "\"");
    }
    p.set(obj, value);
}

std::int64_t GetOrdProp(const TObject& obj, std::string_view name) { return detail::AsInteger(GetPropValue(obj, name), AnsiString(name)); }
void SetOrdProp(TObject& obj, std::string_view name, std::int64_t value) { SetPropValue(obj, name, value); }
AnsiString GetStrProp(const TObject& obj, std::string_view name) { return detail::AsString(GetPropValue(obj, name), AnsiString(name)); }
void SetStrProp(TObject& obj, std::string_view name, const AnsiString& value) { SetPropValue(obj, name, value); }
TObject* GetObjectProp(const TObject& obj, std::string_view name) { return detail::AsObject(GetPropValue(obj, name), AnsiString(name)); }
void SetObjectProp(TObject& obj, std::string_view name, TObject* value) { SetPropValue(obj, name, value); }

AnsiString EnumName(const TEnumType& type, std::int64_t value)
{
    if (value < 0 || value >= static_cast<std::int64_t>(type.names.size())) return IntToStr(value);
    return type.names[static_cast<size_t>(value)];
}

AnsiString SetToText(const TEnumType& type, std::int64_t value)
{
    AnsiString r = "[";
    for (size_t i = 0; i < type.names.size() && i < 64; ++i)
        if (value & (std::int64_t(1) << i)) {
            if (r.size() > 1) r += ',';
            r += type.names[i];
        }
    return r + "]";
}

std::int64_t TextToSet(const TEnumType& type, std::string_view text)
{
    AnsiString t = Trim(text);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') throw EPropertyError("Invalid set value \"" + t + "\"");
    std::int64_t bits = 0;
    std::string_view body(t.data() + 1, t.size() - 2);
    while (!body.empty()) {
        size_t comma = body.find(',');
        AnsiString name = Trim(body.substr(0, comma));
        body = comma == std::string_view::npos ? std::string_view() : body.substr(comma + 1);
        if (name.empty()) {
            if (comma == std::string_view::npos && bits == 0 && body.empty()) break;
            throw EPropertyError("Invalid set value \"" + t + "\"");
        }
        int v = type.ValueOf(name);
        if (v < 0 || v >= 64) throw EPropertyError("\"" + name + "\" is not an element of the set");
        bits |= std::int64_t(1) << v;
    }
    return bits;
}

namespace {
// The shortest text that reads back as the same value, in plain notation when the
// magnitude allows (2500, not 2.5e+03).
AnsiString FloatText(double v)
{
    char buf[64];
    int precision = 1;
    for (; precision < 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    std::snprintf(buf, sizeof buf, "%.*g", precision, v);
    double magnitude = std::fabs(v);
    if (std::strchr(buf, 'e') && magnitude >= 1e-4 && magnitude < 1e15) {
        int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
        std::snprintf(buf, sizeof buf, "%.*f", std::max(0, precision - 1 - exponent), v);
    }
    return buf;
}
} // namespace

AnsiString GetPropText(const TObject& obj, std::string_view name)
{
    const TPropInfo& p = GetPropInfo(obj, name);
    TValue v = p.get(obj);
    switch (p.kind) {
    case TTypeKind::Integer: return IntToStr(std::get<std::int64_t>(v));
    case TTypeKind::Enumeration: return EnumName(*p.enumType, std::get<std::int64_t>(v));
    case TTypeKind::Set: return SetToText(*p.enumType, std::get<std::int64_t>(v));
    case TTypeKind::String: return std::get<AnsiString>(v);
    case TTypeKind::Float: return FloatText(std::get<double>(v));
    case TTypeKind::Class: {
        auto* c = dynamic_cast<TComponent*>(std::get<TObject*>(v));
        return c ? c->Name() : AnsiString();
    }
    case TTypeKind::WString:
    case TTypeKind::Method:
    case TTypeKind::Binary:
        break;
    }
    throw EPropertyError("Property \"" + p.name + "\" has no text form");
}

void SetPropText(TObject& obj, std::string_view name, const AnsiString& text)
{
    const TPropInfo& p = GetPropInfo(obj, name);
    switch (p.kind) {
    case TTypeKind::Integer: {
        std::int64_t v;
        if (!TryStrToInt64(text, v)) throw EPropertyError("\"" + text + "\" is not a valid value for property \"" + p.name + "\"");
        return SetPropValue(obj, name, v);
    }
    case TTypeKind::Enumeration: {
        int v = p.enumType->ValueOf(Trim(text));
        if (v < 0) throw EPropertyError("\"" + text + "\" is not a valid value for property \"" + p.name + "\"");
        return SetPropValue(obj, name, std::int64_t(v));
    }
    case TTypeKind::Set: return SetPropValue(obj, name, TextToSet(*p.enumType, text));
    case TTypeKind::String: return SetPropValue(obj, name, text);
    case TTypeKind::Float: {
        char* end = nullptr;
        AnsiString t = Trim(text);
        double v = std::strtod(t.c_str(), &end);
        if (t.empty() || *end || !std::isfinite(v))
            throw EPropertyError("\"" + text + "\" is not a valid value for property \"" + p.name + "\"");
        return SetPropValue(obj, name, v);
    }
    case TTypeKind::WString:
    case TTypeKind::Class:
    case TTypeKind::Method:
    case TTypeKind::Binary:
        break;
    }
    throw EPropertyError("Property \"" + p.name + "\" has no text form");
}

} // namespace cl
