// COM pointers, BSTR and VARIANT owners, late-bound calls and the entry-point guard, against
// a fake dispatch object that records its calls.
#include "classlib/ComObj.h"
#include "classlib/Encoding.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace cl;

class TFakeObject final : public IDispatch {
public:
    explicit TFakeObject(bool& freed) : freed_(freed) {}
    ULONG refs = 1;
    std::vector<std::pair<DISPID, WORD>> calls;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid != IID_IUnknown && iid != IID_IDispatch) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (--refs) return refs;
        freed_ = true;
        delete this;
        return 0;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override
    {
        static const wchar_t* const known[] = {L"Value", L"Sub", L"Report", L"Raise", L"Self"};
        for (DISPID i = 0; i < 5; ++i)
            if (lstrcmpiW(names[0], known[i]) == 0) {
                *id = i + 1;
                return S_OK;
            }
        *id = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT*) override
    {
        calls.emplace_back(id, flags);
        switch (id) {
        case 1:
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            V_VT(result) = VT_I4;
            V_I4(result) = 7;
            return S_OK;
        case 2: // Sub(a, b) = a - b; the last argument comes first
            if (params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
            V_VT(result) = VT_I4;
            V_I4(result) = V_I4(&params->rgvarg[1]) - V_I4(&params->rgvarg[0]);
            return S_OK;
        case 3:
            excep->bstrDescription = SysAllocString(L"\x62A5\x544A\x5931\x8D25");
            excep->bstrSource = SysAllocString(L"Fake");
            excep->scode = static_cast<SCODE>(0x80040155);
            return DISP_E_EXCEPTION;
        case 4: {
            const int kind = V_I4(&params->rgvarg[0]);
            return SafeCall(IID_IDispatch, [&] {
                if (kind == 0) throw Exception("游戏 broke");
                if (kind == 1) throw EOleSysError("denied", E_ACCESSDENIED);
                if (kind == 2) throw EOleSysError("odd", 2);
                throw 42;
            });
        }
        case 5:
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = this;
            AddRef();
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    bool& freed_;
};

struct Com : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override
    {
        object.reset();
        EXPECT_TRUE(freed);
        CoUninitialize();
    }
    bool freed = false;
    TComPtr<TFakeObject> object = TComPtr<TFakeObject>::Attach(new TFakeObject(freed));
};

std::wstring ErrorDescription()
{
    IErrorInfo* raw = nullptr;
    if (GetErrorInfo(0, &raw) != S_OK) return L"(none)";
    auto info = TComPtr<IErrorInfo>::Attach(raw);
    TBStr text;
    info->GetDescription(text.put());
    return text.Wide();
}

} // namespace

TEST_F(Com, PointersCountReferences)
{
    {
        TComPtr<TFakeObject> copy = object;
        EXPECT_EQ(object->refs, 2u);
        TComPtr<IDispatch> dispatch = copy.As<IDispatch>(IID_IDispatch);
        EXPECT_EQ(object->refs, 3u);
        EXPECT_FALSE(copy.As<IStream>(IID_IStream));
        TComPtr<TFakeObject> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(object->refs, 3u);
    }
    EXPECT_EQ(object->refs, 1u);
    EXPECT_FALSE(freed);
}

TEST_F(Com, LateBoundPropertyGetAndMethodCallByName)
{
    EXPECT_EQ(GetProperty(object.get(), L"Value").AsInteger(), 7);
    EXPECT_EQ(CallMethod(object.get(), L"sub", {10, 3}).AsInteger(), 7);
    ASSERT_EQ(object->calls.size(), 2u);
    EXPECT_EQ(object->calls[0], std::make_pair(DISPID(1), WORD(DISPATCH_PROPERTYGET)));
    EXPECT_EQ(object->calls[1].first, 2);
    EXPECT_TRUE(object->calls[1].second & DISPATCH_METHOD);

    TOleVariant self = GetProperty(object.get(), L"Self");
    EXPECT_EQ(self.AsDispatch().get(), static_cast<IDispatch*>(object.get()));

    try {
        CallMethod(object.get(), L"Nope");
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode(), DISP_E_UNKNOWNNAME);
        EXPECT_NE(e.Message().find("Nope"), AnsiString::npos);
    }
    try {
        GetProperty(nullptr, L"Value");
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode(), E_POINTER);
    }
}

TEST_F(Com, ReportedErrorsBecomeOleExceptions)
{
    try {
        CallMethod(object.get(), L"Report");
        FAIL() << "no exception";
    } catch (const EOleException& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<HRESULT>(0x80040155));
        EXPECT_EQ(e.Message(), "报告失败");
        EXPECT_EQ(e.Source(), "Fake");
    }
}

TEST_F(Com, GuardedEntryPointsAnswerWithTheCodeAndTheMessage)
{
    struct Case {
        int kind;
        HRESULT code;
        const wchar_t* text;
    } cases[] = {
        {0, static_cast<HRESULT>(0x8000FFFF), L"\x6E38\x620F broke"},
        {1, E_ACCESSDENIED, L"denied"},
        {2, static_cast<HRESULT>(0x8000FFFF), L"odd"}, // a code that is no failure
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        DISPPARAMS params{};
        VARIANT arg;
        V_VT(&arg) = VT_I4;
        V_I4(&arg) = c.kind;
        params.rgvarg = &arg;
        params.cArgs = 1;
        EXPECT_EQ(object->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), c.code);
        EXPECT_EQ(ErrorDescription(), c.text);
        // The late-bound caller sees the same through the error information.
        try {
            CallMethod(object.get(), L"Raise", {c.kind});
            ADD_FAILURE() << "no exception";
        } catch (const EOleException& e) {
            EXPECT_EQ(e.ErrorCode(), c.code);
            EXPECT_EQ(AnsiToWide(e.Message()), c.text);
        }
    }
    // Something that is no exception class at all still becomes E_UNEXPECTED.
    EXPECT_THROW(CallMethod(object.get(), L"Raise", {3}), EOleSysError);
}

TEST(Variant, UnassignedAndNullAreDifferent)
{
    TOleVariant unassigned, null = TOleVariant::Null();
    EXPECT_TRUE(unassigned.IsEmpty());
    EXPECT_FALSE(unassigned.IsNull());
    EXPECT_TRUE(null.IsNull());
    EXPECT_FALSE(null.IsEmpty());
    TOleVariant copy = null;
    EXPECT_TRUE(copy.IsNull());
    EXPECT_EQ(unassigned.AsInteger(), 0);
    EXPECT_EQ(unassigned.AsString(), "");
    EXPECT_FALSE(unassigned.AsDispatch());
    EXPECT_THROW(null.AsInteger(), EVariantError);
    EXPECT_THROW(null.AsString(), EVariantError);
    EXPECT_FALSE(null.AsDispatch());
}

TEST(Variant, ConvertsLikeAutomation)
{
    struct Case {
        TOleVariant value;
        std::int32_t integer;
        const char* text;
    } cases[] = {
        {TOleVariant(42), 42, "42"},
        {TOleVariant(L"17"), 17, "17"},
        {TOleVariant(true), -1, "True"},
        {TOleVariant(2.0), 2, "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value.AsInteger(), c.integer);
        EXPECT_EQ(c.value.AsString(), c.text);
    }
    EXPECT_THROW(TOleVariant(L"abc").AsInteger(), EVariantError);
    EXPECT_THROW(TOleVariant(7).AsDispatch(), EVariantError);
    TOleVariant text("游戏");
    EXPECT_EQ(text.Type(), VT_BSTR);
    EXPECT_EQ(text.AsWide(), L"\x6E38\x620F");
    EXPECT_EQ(text.AsString(), "游戏");
}

TEST(BStr, HoldsTextBothWays)
{
    TBStr empty;
    EXPECT_EQ(empty.get(), nullptr);
    EXPECT_EQ(empty.Wide(), L"");
    TBStr game(AnsiString("游戏盒"));
    EXPECT_EQ(game.Wide(), L"\x6E38\x620F\x76D2");
    EXPECT_EQ(game.Length(), 3u);
    TBStr copy = game;
    EXPECT_NE(copy.get(), game.get());
    EXPECT_EQ(copy.Ansi(), "游戏盒");
    TBStr embedded(std::wstring_view(L"a\0b", 3));
    EXPECT_EQ(embedded.Length(), 3u);
    BSTR raw = game.release();
    EXPECT_EQ(game.get(), nullptr);
    SysFreeString(raw);
}
