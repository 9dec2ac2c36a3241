#include "shell/Portal.h"

#include <cstdlib>

#ifndef LUDORA_PORTAL_HOST
#error "LUDORA_PORTAL_HOST names the portal's host when the program is built"
#endif

cl::AnsiString PortalHost()
{
    if (const char* env = std::getenv("LUDORA_PORTAL"); env && *env) {
        std::string url = env;
        if (url.rfind("http://", 0) == 0) url.erase(0, 7);
        while (!url.empty() && url.back() == '/') url.pop_back();
        if (!url.empty()) return url;
    }
    return LUDORA_PORTAL_HOST;
}

cl::AnsiString PortalUrl(const char* path) { return "http://" + PortalHost() + path; }
