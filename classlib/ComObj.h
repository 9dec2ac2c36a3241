// COM plumbing: an interface smart pointer, BSTR and VARIANT owners, and late-bound calls by
// name through IDispatch. Errors are the OLE exceptions of OleErrors.h, whose SafeCall
// guards every COM entry point.
#pragma once

#include "classlib/OleErrors.h"

#include <oleauto.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace cl {

// Owns one reference to an interface.
template <class T> class TComPtr {
public:
    TComPtr() = default;
    TComPtr(std::nullptr_t) {}
    // Takes a new reference to p.
    explicit TComPtr(T* p) : p_(p)
    {
        if (p_) p_->AddRef();
    }
    TComPtr(const TComPtr& o) : TComPtr(o.p_) {}
    TComPtr(TComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    TComPtr& operator=(TComPtr o) noexcept
    {
        std::swap(p_, o.p_);
        return *this;
    }
    ~TComPtr() { reset(); }

    // Adopts a reference the caller already holds.
    static TComPtr Attach(T* p)
    {
        TComPtr r;
        r.p_ = p;
        return r;
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // For out-parameters: releases what it held first.
    T** put() noexcept
    {
        reset();
        return &p_;
    }
    void reset() noexcept
    {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    // Hands the reference to the caller.
    T* release() noexcept { return std::exchange(p_, nullptr); }

    // The object's interface iid, or null when it has none.
    template <class U> TComPtr<U> As(REFIID iid) const
    {
        TComPtr<U> r;
        if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(r.put()));
        return r;
    }

private:
    T* p_ = nullptr;
};

// Owns one BSTR; text in and out as UTF-16 or as 8-bit text of the ANSI code page.
class TBStr {
public:
    TBStr() = default;
    explicit TBStr(std::wstring_view text);
    explicit TBStr(const AnsiString& text);
    TBStr(const TBStr& o);
    TBStr(TBStr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
    TBStr& operator=(TBStr o) noexcept
    {
        std::swap(s_, o.s_);
        return *this;
    }
    ~TBStr() { SysFreeString(s_); }

    static TBStr Attach(BSTR s)
    {
        TBStr r;
        r.s_ = s;
        return r;
    }
    BSTR get() const noexcept { return s_; }
    BSTR* put() noexcept
    {
        SysFreeString(std::exchange(s_, nullptr));
        return &s_;
    }
    BSTR release() noexcept { return std::exchange(s_, nullptr); }
    std::size_t Length() const noexcept { return SysStringLen(s_); }

    std::wstring Wide() const { return std::wstring(s_ ? s_ : L"", Length()); }
    AnsiString Ansi() const;

private:
    BSTR s_ = nullptr; // null is the empty string
};

class EVariantError : public Exception { using Exception::Exception; };

// Owns one VARIANT. Unassigned (VT_EMPTY, the default) and null (VT_NULL) are different
// values: unassigned converts to 0 and "", null converts to nothing (EVariantError).
class TOleVariant {
public:
    TOleVariant() noexcept { VariantInit(&v_); }
    TOleVariant(std::int32_t value) noexcept;
    TOleVariant(bool value) noexcept;
    TOleVariant(double value) noexcept;
    TOleVariant(std::wstring_view text);
    TOleVariant(const wchar_t* text) : TOleVariant(std::wstring_view(text ? text : L"")) {}
    TOleVariant(const AnsiString& text);
    TOleVariant(const char* text) : TOleVariant(AnsiString(text ? text : "")) {}
    TOleVariant(IDispatch* object) noexcept; // takes a new reference
    // Any other pointer would silently become a Boolean.
    template <class T> TOleVariant(T*) = delete;
    TOleVariant(const TOleVariant& o);
    TOleVariant(TOleVariant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    TOleVariant& operator=(TOleVariant o) noexcept
    {
        std::swap(v_, o.v_);
        return *this;
    }
    ~TOleVariant() { VariantClear(&v_); }

    static TOleVariant Null() noexcept;

    VARTYPE Type() const noexcept { return v_.vt; }
    bool IsEmpty() const noexcept { return v_.vt == VT_EMPTY; }
    bool IsNull() const noexcept { return v_.vt == VT_NULL; }

    // Conversions as automation does them; EVariantError when the value has none.
    std::int32_t AsInteger() const;
    bool AsBool() const;
    std::wstring AsWide() const;
    AnsiString AsString() const;
    // The object, or null for an unassigned or null value; EVariantError for others.
    TComPtr<IDispatch> AsDispatch() const;

    const VARIANT& get() const noexcept { return v_; }
    // For out-parameters: cleared first.
    VARIANT* put() noexcept
    {
        VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT Converted(VARTYPE type) const;
    VARIANT v_;
};

// Late-bound calls by name. A failure raises EOleException for an error the object reported
// (EXCEPINFO, or its error information), EOleSysError otherwise; a null object is E_POINTER.
TOleVariant GetProperty(IDispatch* object, std::wstring_view name);
TOleVariant CallMethod(IDispatch* object, std::wstring_view name, std::initializer_list<TOleVariant> args = {});

} // namespace cl
