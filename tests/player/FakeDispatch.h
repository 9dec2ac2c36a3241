// A small late-bound object for tests: named members answered by the test's functions,
// names compared without regard to case as the browser's documents do.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TFakeDispatch : public IDispatch {
public:
    // args in call order (the reverse of DISPPARAMS); result may stay empty.
    using TMember = std::function<HRESULT(const std::vector<VARIANT>& args, VARIANT* result)>;

    void Add(const std::wstring& name, TMember member) { members_.push_back({name, std::move(member)}); }
    // A property that reads as a copy of value.
    void AddValue(const std::wstring& name, VARIANT value)
    {
        auto keep = std::make_shared<VARIANT>(value);
        Add(name, [keep](const std::vector<VARIANT>&, VARIANT* r) { return r ? VariantCopy(r, keep.get()) : S_OK; });
    }
    void AddText(const std::wstring& name, const std::wstring& text)
    {
        VARIANT v;
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        AddValue(name, v);
    }
    void AddObject(const std::wstring& name, IDispatch* object)
    {
        VARIANT v;
        V_VT(&v) = VT_DISPATCH;
        V_DISPATCH(&v) = object; // the copy the member keeps holds its own reference
        object->AddRef();
        AddValue(name, v);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; } // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        for (size_t m = 0; m < members_.size(); ++m)
            if (_wcsicmp(members_[m].first.c_str(), names[0]) == 0) {
                ids[0] = static_cast<DISPID>(m + 1);
                return S_OK;
            }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
        std::vector<VARIANT> args;
        for (UINT i = params ? params->cArgs : 0; i > 0; --i) args.push_back(params->rgvarg[i - 1]);
        return members_[static_cast<size_t>(id - 1)].second(args, result);
    }

    ULONG refs() const { return refs_; }

private:
    std::vector<std::pair<std::wstring, TMember>> members_;
    ULONG refs_ = 1;
};
