#include "shell/Portal.h"

#ifdef LUDORA_PORTAL_FROM_ENVIRONMENT
#include <windows.h>
#endif

#ifndef LUDORA_PORTAL_HOST
#error "LUDORA_PORTAL_HOST names the portal's host when the program is built"
#endif

cl::AnsiString PortalHost()
{
#ifdef LUDORA_PORTAL_FROM_ENVIRONMENT
    // Read from the process's environment itself, not the runtime's start-up copy.
    char env[512];
    DWORD n = GetEnvironmentVariableA("LUDORA_PORTAL", env, sizeof env);
    if (n > 0 && n < sizeof env) {
        std::string url(env, n);
        if (url.rfind("http://", 0) == 0) url.erase(0, 7);
        while (!url.empty() && url.back() == '/') url.pop_back();
        if (!url.empty()) return url;
    }
#endif
    return LUDORA_PORTAL_HOST;
}

cl::AnsiString PortalUrl(const char* path) { return "http://" + PortalHost() + path; }
