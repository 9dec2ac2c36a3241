// Removes the upgrade helper's file once the helper has ended. The helper starts the new
// program and only then ends, and its file cannot be deleted while it runs; so the program
// it started (its child) waits for it on a thread of its own.
#pragma once

#include "classlib/WinHandle.h"

#include <string>

namespace up {

// Deletes the file at once unless this process's parent is the helper running from it;
// then returns the thread that deletes it once the helper has ended (dropping the handle
// leaves the thread at work).
cl::KernelHandle RemoveHelperFile(const std::string& helperPath);

} // namespace up
