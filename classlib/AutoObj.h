// Automation objects: a dual interface implemented by a C++ class, described by the type
// library embedded in the module (TYPELIB 1), with IDispatch answered from that type
// information. Objects are reference-counted and made through their class factory.
#pragma once

#include "classlib/SysUtils.h"

#include <windows.h>
#include <oleauto.h>

#include <atomic>

namespace cl {

// The type information of one interface, loaded once per module from its own file.
class TAutoTypeInfo {
public:
    TAutoTypeInfo(HMODULE module, const IID& iid) : module_(module), iid_(iid) {}
    ~TAutoTypeInfo();
    TAutoTypeInfo(const TAutoTypeInfo&) = delete;
    TAutoTypeInfo& operator=(const TAutoTypeInfo&) = delete;
    // Null when the module has no such type information.
    ITypeInfo* Get();
    const IID& Iid() const { return iid_; }

private:
    HMODULE module_;
    IID iid_;
    ITypeInfo* info_ = nullptr;
    bool tried_ = false;
};

// Base of an automation object implementing the dual interface Intf. Derived classes
// implement Intf's methods; every method guards its body so no exception leaves it.
template <class Intf> class TAutoObject : public Intf {
public:
    explicit TAutoObject(TAutoTypeInfo& typeInfo) : typeInfo_(typeInfo) {}
    virtual ~TAutoObject() = default;
    TAutoObject(const TAutoObject&) = delete;
    TAutoObject& operator=(const TAutoObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == typeInfo_.Iid()) {
            *out = static_cast<Intf*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    // IDispatch, from the type library
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = typeInfo_.Get() ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    {
        if (!info) return E_POINTER;
        *info = nullptr;
        ITypeInfo* ti = typeInfo_.Get();
        if (index != 0 || !ti) return DISP_E_BADINDEX;
        ti->AddRef();
        *info = ti;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        ITypeInfo* ti = typeInfo_.Get();
        return ti ? DispGetIDsOfNames(ti, names, count, ids) : E_UNEXPECTED;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) override
    {
        ITypeInfo* ti = typeInfo_.Get();
        if (!ti) return E_UNEXPECTED;
        return DispInvoke(static_cast<Intf*>(this), ti, id, flags, params, result, excep, argErr);
    }

private:
    TAutoTypeInfo& typeInfo_;
    std::atomic<ULONG> refs_{1};
};

// The factory of an automation class with internal instancing: it is not registered with
// COM, so only the program itself creates objects, through Create.
template <class T> class TAutoObjectFactory {
public:
    TAutoObjectFactory(HMODULE module, const CLSID& clsid, const IID& iid) : clsid_(clsid), typeInfo_(module, iid) {}
    const CLSID& ClassID() const { return clsid_; }
    // A new object with one reference, for the caller to hand on.
    T* Create() { return new T(typeInfo_); }

private:
    CLSID clsid_;
    TAutoTypeInfo typeInfo_;
};

} // namespace cl
