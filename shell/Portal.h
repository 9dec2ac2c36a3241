// The portal's web service: its host is fixed when the program is built; the environment
// variable LUDORA_PORTAL ("http://host:port") points a run at another one (tests and the
// local portal).
#pragma once

#include "classlib/SysUtils.h"

cl::AnsiString PortalHost();                    // "host" or "host:port"
cl::AnsiString PortalUrl(const char* path);     // "http://" + host + path
