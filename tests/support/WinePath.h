// Windows path of a file of the build tree: Wine maps the Unix root to Z:.
#pragma once

#include <string>

inline std::string WinPath(const char* unixPath)
{
    std::string p = std::string("Z:") + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}
