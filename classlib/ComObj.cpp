// BSTR and VARIANT owners and late-bound calls through IDispatch.
#include "classlib/ComObj.h"

#include "classlib/Encoding.h"

#include <vector>

namespace cl {

namespace {

BSTR Alloc(std::wstring_view text)
{
    BSTR s = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!s && !text.empty()) throw EOleSysError("Out of memory", E_OUTOFMEMORY);
    return s;
}

} // namespace

// ---------------------------------------------------------------------------------------
// BSTR

TBStr::TBStr(std::wstring_view text) : s_(Alloc(text)) {}
TBStr::TBStr(const AnsiString& text) : s_(Alloc(AnsiToWide(text))) {}
TBStr::TBStr(const TBStr& o) : s_(o.s_ ? Alloc(std::wstring_view(o.s_, o.Length())) : nullptr) {}
AnsiString TBStr::Ansi() const { return WideToAnsi(Wide()); }

// ---------------------------------------------------------------------------------------
// VARIANT

TOleVariant::TOleVariant(std::int32_t value) noexcept : TOleVariant()
{
    v_.vt = VT_I4;
    v_.lVal = value;
}

TOleVariant::TOleVariant(bool value) noexcept : TOleVariant()
{
    v_.vt = VT_BOOL;
    v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

TOleVariant::TOleVariant(double value) noexcept : TOleVariant()
{
    v_.vt = VT_R8;
    v_.dblVal = value;
}

TOleVariant::TOleVariant(std::wstring_view text) : TOleVariant()
{
    v_.bstrVal = Alloc(text);
    v_.vt = VT_BSTR;
}

TOleVariant::TOleVariant(const AnsiString& text) : TOleVariant(std::wstring_view(AnsiToWide(text))) {}

TOleVariant::TOleVariant(IDispatch* object) noexcept : TOleVariant()
{
    v_.vt = VT_DISPATCH;
    v_.pdispVal = object;
    if (object) object->AddRef();
}

TOleVariant::TOleVariant(const TOleVariant& o) : TOleVariant()
{
    HRESULT hr = VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); // the source is only read
    if (FAILED(hr)) throw EOleSysError(OleErrorText(hr), hr);
}

TOleVariant TOleVariant::Null() noexcept
{
    TOleVariant v;
    v.v_.vt = VT_NULL;
    return v;
}

VARIANT TOleVariant::Converted(VARTYPE type) const
{
    VARIANT out;
    VariantInit(&out);
    // Booleans as text are "True" and "False", as the class library's own texts are.
    HRESULT hr = VariantChangeTypeEx(&out, const_cast<VARIANT*>(&v_), LOCALE_USER_DEFAULT, type == VT_BSTR ? VARIANT_ALPHABOOL : 0, type);
    if (FAILED(hr))
        throw EVariantError(Format("Could not convert variant of type %d into type %d", {v_.vt, type}));
    return out;
}

std::int32_t TOleVariant::AsInteger() const { return Converted(VT_I4).lVal; }
bool TOleVariant::AsBool() const { return Converted(VT_BOOL).boolVal != VARIANT_FALSE; }

std::wstring TOleVariant::AsWide() const
{
    if (v_.vt == VT_BSTR) return std::wstring(v_.bstrVal ? v_.bstrVal : L"", SysStringLen(v_.bstrVal));
    return TBStr::Attach(Converted(VT_BSTR).bstrVal).Wide();
}

AnsiString TOleVariant::AsString() const { return WideToAnsi(AsWide()); }

TComPtr<IDispatch> TOleVariant::AsDispatch() const
{
    switch (v_.vt) {
    case VT_EMPTY:
    case VT_NULL: return nullptr;
    case VT_DISPATCH: return TComPtr<IDispatch>(v_.pdispVal);
    case VT_UNKNOWN: {
        TComPtr<IUnknown> unknown(v_.punkVal);
        if (auto d = unknown.As<IDispatch>(IID_IDispatch)) return d;
        break;
    }
    default: break;
    }
    throw EVariantError(Format("Variant of type %d is not an object", {v_.vt}));
}

// ---------------------------------------------------------------------------------------
// Late binding

namespace {

TOleVariant Invoke(IDispatch* object, std::wstring_view name, WORD flags, std::initializer_list<TOleVariant> args)
{
    const AnsiString member = WideToAnsi(name);
    if (!object) throw EOleSysError("\"" + member + "\" called on no object", E_POINTER);
    std::wstring text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = 0;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throw EOleSysError("\"" + member + "\": " + OleErrorText(hr), hr);

    // Arguments go last first; the callee only reads them, so the variants are lent.
    std::vector<VARIANT> argv;
    for (auto it = args.end(); it != args.begin();) argv.push_back((--it)->get());
    DISPPARAMS params{argv.data(), nullptr, static_cast<UINT>(argv.size()), 0};
    TOleVariant result;
    EXCEPINFO excep{};
    UINT argErr = 0;
    SetErrorInfo(0, nullptr); // error information left by an earlier call is not this one's
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.put(), &excep, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
        TBStr description = TBStr::Attach(excep.bstrDescription), source = TBStr::Attach(excep.bstrSource);
        SysFreeString(excep.bstrHelpFile);
        const HRESULT code = excep.scode ? excep.scode : DISP_E_EXCEPTION;
        AnsiString message = description.Length() ? description.Ansi() : OleErrorText(code);
        throw EOleException(message, code, source.Ansi());
    }
    if (FAILED(hr)) {
        IErrorInfo* raw = nullptr;
        if (GetErrorInfo(0, &raw) == S_OK && raw) {
            auto info = TComPtr<IErrorInfo>::Attach(raw);
            TBStr description, source;
            info->GetDescription(description.put());
            info->GetSource(source.put());
            if (description.Length()) throw EOleException(description.Ansi(), hr, source.Ansi());
        }
        throw EOleSysError("\"" + member + "\": " + OleErrorText(hr), hr);
    }
    return result;
}

} // namespace

TOleVariant GetProperty(IDispatch* object, std::wstring_view name)
{
    return Invoke(object, name, DISPATCH_PROPERTYGET, {});
}

TOleVariant CallMethod(IDispatch* object, std::wstring_view name, std::initializer_list<TOleVariant> args)
{
    // Script objects expose methods as properties too, so a call may be either.
    return Invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

} // namespace cl
