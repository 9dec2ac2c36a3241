// Reading and writing a control's published properties by name, for the control skins: a
// property the object lacks, or one of another kind, gives the empty answer (-1, an empty
// text, null) or is left alone, so a skin works with any control class.
#pragma once

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace skin {

// An integer property's value; -1 when missing or not an integer.
std::int64_t GetPropInt(const cl::TObject* object, std::string_view name);
// An enumeration property's value name ("True"/"False" for Booleans); empty when missing.
cl::AnsiString GetPropEnum(const cl::TObject* object, std::string_view name);
// A wide-string property as it is, any other string property widened; empty when missing.
std::wstring GetPropText(const cl::TObject* object, std::string_view name);
// The object an object property holds when it is a cls; null otherwise.
cl::TObject* GetPropObject(const cl::TObject* object, std::string_view name, const cl::TClass& cls);
// Integer properties take the text as a number, enumerations the value of that name,
// strings the text; other kinds, read-only properties and unknown value names are left alone.
void SetPropValue(cl::TObject* object, std::string_view name, const cl::AnsiString& text);
// The enumeration's value name lower-cased is "true".
bool PropIsTrue(const cl::TObject* object, std::string_view name);

} // namespace skin
