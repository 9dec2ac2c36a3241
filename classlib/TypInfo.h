// Reading and writing published properties by name, as values or as text. A property
// that an object lacks, a read-only property or a value of the wrong kind raises
// EPropertyError naming the property.
#pragma once

#include "classlib/Classes.h"

namespace cl {

const TPropInfo* FindPropInfo(const TObject& obj, std::string_view name); // null if none
const TPropInfo& GetPropInfo(const TObject& obj, std::string_view name);  // EPropertyError if none
bool IsPublishedProp(const TObject& obj, std::string_view name);

TValue GetPropValue(const TObject& obj, std::string_view name);
void SetPropValue(TObject& obj, std::string_view name, const TValue& value);

std::int64_t GetOrdProp(const TObject& obj, std::string_view name); // Integer, Enumeration, Set
void SetOrdProp(TObject& obj, std::string_view name, std::int64_t value);
AnsiString GetStrProp(const TObject& obj, std::string_view name);
void SetStrProp(TObject& obj, std::string_view name, const AnsiString& value);
TObject* GetObjectProp(const TObject& obj, std::string_view name);
void SetObjectProp(TObject& obj, std::string_view name, TObject* value);

// Text forms: integers in decimal (set also takes "$" hex), enumerations by value name
// (case-insensitive), sets as "[a,b]", floats in shortest round-trip form, strings as
// they are, objects by component name (get only).
AnsiString GetPropText(const TObject& obj, std::string_view name);
void SetPropText(TObject& obj, std::string_view name, const AnsiString& text);

AnsiString EnumName(const TEnumType& type, std::int64_t value);
AnsiString SetToText(const TEnumType& type, std::int64_t value);
std::int64_t TextToSet(const TEnumType& type, std::string_view text); // EPropertyError on bad names

} // namespace cl
