// The portal's web service, whose host is fixed when the program is built. The test build
// of the unit (LUDORA_PORTAL_FROM_ENVIRONMENT) also lets the environment variable
// LUDORA_PORTAL ("http://host:port") point a run at another portal, such as the local test
// portal; the program always uses its own.
#pragma once

#include "classlib/SysUtils.h"

cl::AnsiString PortalHost();                    // "host" or "host:port"
cl::AnsiString PortalUrl(const char* path);     // "http://" + host + path
