// Windows-facing routines of the upgrader: online test, shell open command and
// OpenURL, temporary folder, time zone, file times, sizes and attributes, resources,
// and a wait on an event that keeps the message loop running.
#pragma once

#include "upgrade/VersionDate.h"

#include <windows.h>

#include <cstdint>

namespace cl {
class TStream;
}

namespace up {

enum TupFileAttribute { atrArchive, atrHidden, atrReadOnly, atrSystem, atrTemporary, atrOffline };
// A set of TupFileAttribute: bit n stands for the attribute of ordinal n.
using TupFileAttributes = unsigned;
constexpr TupFileAttributes AttrSet(TupFileAttribute a) { return 1u << a; }
// The Windows attribute bits of a set.
DWORD FileAttributeBits(TupFileAttributes attrs);

bool HasNetworkAddress();
bool IsOnline();

// The program path of the open command of a file extension (".html"); false if none.
bool GetShellOpenCommand(const AnsiString& extension, AnsiString& program);
void OpenURL(AnsiString url, bool useBrowserCommand);

// The temporary folder with a trailing backslash; the program's folder when it is missing.
AnsiString GetTempDir();
// The folder of the running program, with a trailing backslash.
AnsiString ProgramDir();

// The current bias in days (UTC = local + bias), and conversions by it.
TDateTime TimeZoneBias();
TDateTime UTCToLocal(TDateTime utc);
TDateTime LocalToUTC(TDateTime local);
// An HTTP date header as local time; 0 for an empty text.
TDateTime HTTPDateToDateTime(const AnsiString& header);
TDateTime Now();
TDateTime Today();

// Sets the times (local time values) that are not -1; false when the file cannot be
// opened or the times cannot be written.
bool SetFileTimes(const AnsiString& fileName, TDateTime creation, TDateTime lastAccess, TDateTime lastWrite);
// The last write time as local time; false when the file cannot be read.
bool GetFileWriteTime(const AnsiString& fileName, TDateTime& lastWrite);
// The size, -1 when the file cannot be opened.
std::int64_t GetFileSize64(const AnsiString& fileName);
bool SetFileAttrs(const AnsiString& fileName, TupFileAttributes attrs);

// Copies a resource of the module into the stream; false when there is none or it is empty.
bool ResourceToStream(HMODULE module, const char* name, const char* type, cl::TStream* stream);

// Creates a manual-reset event in the variable and waits until it is set, the time-out
// (ms, 0 = none) runs out or, with stopWhenTerminated, the application is terminating
// (its loop took a quit, or this wait did); messages are dispatched meanwhile, and the
// end is looked at after each one. A quit seen is posted again on the way out.
// The variable holds INVALID_HANDLE_VALUE afterwards.
void WaitForEvent(HANDLE& event, DWORD timeout, bool stopWhenTerminated);
// The default way to end the program for an upgrade: closes the main form (its close
// query may keep it open) and terminates the application all the same.
void CloseApplication();

// Sets the event if one is waiting.
void SignalEvent(HANDLE& event);

} // namespace up
