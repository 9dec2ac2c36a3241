// Runs JScript against named objects, as page script reaches window.external: the engine
// needs no HTML engine, so tests call automation objects exactly as script does.
#pragma once

#include <windows.h>
#include <activscp.h>

#include <string>
#include <vector>

class TScriptHost {
public:
    TScriptHost();
    ~TScriptHost();
    TScriptHost(const TScriptHost&) = delete;
    TScriptHost& operator=(const TScriptHost&) = delete;

    // Script sees obj under name (the host keeps a reference).
    void AddObject(const std::wstring& name, IDispatch* obj);

    struct Result {
        HRESULT hr = E_FAIL;
        std::wstring value;       // the expression's value as text ("" when empty)
        VARTYPE type = VT_EMPTY;
        bool scriptError = false; // the engine reported an error to the site
        HRESULT errorCode = S_OK; // its SCODE (the method's HRESULT for a failed call)
        std::wstring errorText;   // its description
    };
    // Evaluates an expression (or runs statements with asExpression false).
    Result Run(const std::wstring& code, bool asExpression = true);

private:
    class Site;
    Site* site_;
    IActiveScript* engine_ = nullptr;
    IActiveScriptParse* parse_ = nullptr;
};
