// The automation server of a module: the start-up switches of a program and the
// registration of the type library embedded in the module as TYPELIB 1.
#pragma once

#include "classlib/OleErrors.h"

#include <windows.h>

#include <vector>

namespace cl {

enum class TStartMode { smStandalone, smAutomation, smRegServer, smUnregServer };

// "/NAME" or "-NAME", case-insensitive, among the arguments.
bool FindCmdLineSwitch(const std::vector<AnsiString>& args, const char* name);

class TComServer {
public:
    explicit TComServer(HMODULE module) : module_(module) {}

    // Reads the switches "AUTOMATION", "EMBEDDING", "REGSERVER" and "UNREGSERVER", then
    // registers the type library, or unregisters it with "UNREGSERVER". A registry access
    // error is ignored unless "REGSERVER" was given; that and any other failure raise
    // EOleRegistrationError. Returns false when the program must end here (after
    // registering or unregistering).
    bool Initialize(const std::vector<AnsiString>& args);
    TStartMode StartMode() const { return mode_; }

    // The module's own type library; EOleRegistrationError on failure.
    void RegisterTypeLibrary() const;
    void UnregisterTypeLibrary() const;

private:
    HMODULE module_;
    TStartMode mode_ = TStartMode::smStandalone;
};

class EOleRegistrationError : public EOleSysError { using EOleSysError::EOleSysError; };

} // namespace cl
