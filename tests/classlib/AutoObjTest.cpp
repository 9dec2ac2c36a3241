#include "classlib/AutoObj.h"
#include "classlib/OleErrors.h"

#include "../support/ScriptHost.h"

#include "autotest_tlb_h.h"

#include <gtest/gtest.h>

namespace {

class TAutoTest : public cl::TAutoObject<IAutoTest> {
public:
    using TAutoObject::TAutoObject;
    static int alive;
    explicit TAutoTest(cl::TAutoTypeInfo& ti) : TAutoObject(ti) { ++alive; }
    ~TAutoTest() override { --alive; }
    HRESULT STDMETHODCALLTYPE Add(LONG a, LONG b, LONG* sum) override
    {
        *sum = a + b;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Echo(BSTR text, BSTR* back) override
    {
        *back = SysAllocString(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Fail() override { return 0x80040123; }
    HRESULT STDMETHODCALLTYPE Raise(LONG code) override
    {
        return cl::SafeCall(IID_IAutoTest, [&] {
            if (code == 0) throw cl::Exception("plain failure");
            throw cl::EOleSysError("ole failure", code);
        });
    }
};
int TAutoTest::alive = 0;

struct Com : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};

} // namespace

TEST_F(Com, AutomationObjectAnswersDispatchFromItsTypeLibrary)
{
    cl::TAutoObjectFactory<TAutoTest> factory(GetModuleHandleA(nullptr), CLSID_NULL, IID_IAutoTest);
    IAutoTest* obj = factory.Create();
    EXPECT_EQ(TAutoTest::alive, 1);
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Add")};
    DISPID id = 0;
    ASSERT_EQ(obj->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 201);
    VARIANT args[2];
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = 2; // last argument first
    V_VT(&args[1]) = VT_I4;
    V_I4(&args[1]) = 40;
    DISPPARAMS params{args, nullptr, 2, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(obj->Invoke(201, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(V_I4(&result), 42);
    IUnknown* unk = nullptr;
    EXPECT_EQ(obj->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&unk)), E_NOINTERFACE);
    obj->Release();
    EXPECT_EQ(TAutoTest::alive, 0);
}

TEST_F(Com, ScriptCallsTheObjectByNameAndSeesFailuresAsExceptions)
{
    cl::TAutoObjectFactory<TAutoTest> factory(GetModuleHandleA(nullptr), CLSID_NULL, IID_IAutoTest);
    IAutoTest* obj = factory.Create();
    {
        TScriptHost script;
        script.AddObject(L"external", obj);
        EXPECT_EQ(script.Run(L"external.Add(20, 22)").value, L"42");
        EXPECT_EQ(script.Run(L"external.Echo('\x6E38\x620F')").value, L"\x6E38\x620F");
        auto failed = script.Run(L"external.Fail()");
        EXPECT_TRUE(failed.scriptError);
        EXPECT_EQ(failed.errorCode, static_cast<HRESULT>(0x80040123));
        auto caught = script.Run(L"(function(){ try { external.Fail(); return 'no'; } catch (e) { return e.number; } })()");
        EXPECT_EQ(caught.value, std::to_wstring(static_cast<long>(0x80040123)));
    }
    obj->Release();
    EXPECT_EQ(TAutoTest::alive, 0);
}

TEST_F(Com, ExceptionsBecomeTheirOleCodeOrUnexpectedWithTheMessage)
{
    cl::TAutoObjectFactory<TAutoTest> factory(GetModuleHandleA(nullptr), CLSID_NULL, IID_IAutoTest);
    IAutoTest* obj = factory.Create();
    struct Case {
        const wchar_t* call;
        HRESULT code;
        const wchar_t* text;
    } cases[] = {
        {L"external.Raise(0)", static_cast<HRESULT>(0x8000FFFF), L"plain failure"},
        {L"external.Raise(-2147467259)", static_cast<HRESULT>(0x80004005), L"ole failure"},
        {L"external.Raise(5)", static_cast<HRESULT>(0x8000FFFF), L"ole failure"}, // not a failure code
    };
    {
        TScriptHost script;
        script.AddObject(L"external", obj);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(c.call)));
            auto r = script.Run(c.call);
            EXPECT_TRUE(r.scriptError);
            EXPECT_EQ(r.errorCode, c.code);
            EXPECT_EQ(r.errorText, c.text);
        }
    }
    EXPECT_EQ(obj->Raise(0), static_cast<HRESULT>(0x8000FFFF)); // direct callers get the code too
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR text = nullptr;
    info->GetDescription(&text);
    EXPECT_STREQ(text, L"plain failure");
    SysFreeString(text);
    info->Release();
    obj->Release();
}
