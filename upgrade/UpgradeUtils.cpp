// Windows-facing routines of the upgrader.
#include <winsock2.h> // before <windows.h>

#include "upgrade/UpgradeUtils.h"

#include "classlib/Forms.h"
#include "classlib/ModuleFile.h"
#include "classlib/Seams.h"
#include "classlib/Streams.h"
#include "classlib/WinHandle.h"
#include "upgrade/PathText.h"


#include <cmath>
#include <vector>

namespace up {
namespace {

bool ToSystemTime(TDateTime value, SYSTEMTIME& st)
{
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(value, y, m, d) || y < 1601)
        return false; // before what a file time can hold
    long long ms = std::llround((value - std::floor(value)) * 86400000.0);
    if (ms >= 86400000)
        ms = 86399999;
    st = SYSTEMTIME{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(ms / 3600000);
    st.wMinute = static_cast<WORD>(ms / 60000 % 60);
    st.wSecond = static_cast<WORD>(ms / 1000 % 60);
    st.wMilliseconds = static_cast<WORD>(ms % 1000);
    return true;
}

TDateTime FromSystemTime(const SYSTEMTIME& st)
{
    return EncodeDate(st.wYear, st.wMonth, st.wDay) + EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

// The default value of a key of HKEY_CLASSES_ROOT; empty when absent.
AnsiString ClassesDefault(const AnsiString& subKey)
{
    cl::KeyHandle key;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return AnsiString();
    key.reset(raw);
    char value[2048];
    DWORD size = sizeof value - 1, type = 0;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return AnsiString();
    value[size] = '\0';
    return value;
}

bool OpenClassesKey(const AnsiString& subKey, cl::KeyHandle& key)
{
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return false;
    key.reset(raw);
    return true;
}

} // namespace

DWORD FileAttributeBits(TupFileAttributes attrs)
{
    static const DWORD bits[] = {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_READONLY,
                                 FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_TEMPORARY, FILE_ATTRIBUTE_OFFLINE};
    DWORD result = 0;
    for (int i = atrArchive; i <= atrOffline; ++i)
        if (attrs & (1u << i))
            result |= bits[i];
    return result;
}

bool HasNetworkAddress()
{
    WSADATA data;
    if (WSAStartup(0x0101, &data) != 0)
        return false;
    AnsiString address;
    char name[64] = {};
    if (gethostname(name, sizeof name) == 0) {
        if (const hostent* host = gethostbyname(name)) {
            for (char** a = host->h_addr_list; a && *a; ++a) {
                in_addr in;
                memcpy(&in, *a, sizeof in);
                address = inet_ntoa(in);
            }
        }
    }
    WSACleanup();
    return !address.empty() && address != "127.0.0.1";
}

bool IsOnline()
{
    cl::KeyHandle key;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\RemoteAccess", 0, KEY_READ, &raw) !=
        ERROR_SUCCESS)
        return HasNetworkAddress();
    key.reset(raw);
    BYTE value[4] = {};
    DWORD size = sizeof value;
    if (RegQueryValueExA(key.get(), "Remote Connection", nullptr, nullptr, value, &size) != ERROR_SUCCESS)
        return HasNetworkAddress();
    return value[0] == 1;
}

bool GetShellOpenCommand(const AnsiString& extension, AnsiString& program)
{
    program.clear();
    if (extension.empty() || extension == ".")
        return false;
    try {
        const AnsiString type = ClassesDefault(extension);
        cl::KeyHandle typeKey;
        if (type.empty() || !OpenClassesKey(type, typeKey))
            return false;
        // Other verbs are tried only when the open command's key is missing; an empty
        // command there finds nothing.
        AnsiString command;
        cl::KeyHandle openKey;
        if (OpenClassesKey(type + "\\shell\\open\\command", openKey)) {
            command = ClassesDefault(type + "\\shell\\open\\command");
        } else {
            cl::KeyHandle shell;
            if (!OpenClassesKey(type + "\\shell", shell))
                return false;
            std::vector<AnsiString> verbs;
            char name[256];
            for (DWORD i = 0;; ++i) {
                DWORD size = sizeof name;
                if (RegEnumKeyExA(shell.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                verbs.emplace_back(name, size);
            }
            AnsiString open;
            for (auto v = verbs.rbegin(); v != verbs.rend(); ++v)
                if (LowerCaseAscii(*v).find("open") != AnsiString::npos)
                    open = *v;
            if (!open.empty()) {
                command = ClassesDefault(type + "\\shell\\" + open + "\\command");
            } else {
                for (const AnsiString& v : verbs) {
                    command = ClassesDefault(type + "\\shell\\" + v + "\\command");
                    if (!command.empty())
                        break;
                }
            }
        }
        AnsiString parameters;
        SplitCommandLine(command, program, parameters);
    } catch (const std::exception&) {
        program.clear();
    }
    return !program.empty();
}

void OpenURL(AnsiString url, bool useBrowserCommand)
{
    if (url.find("://") == AnsiString::npos)
        url = "http://" + url;
    AnsiString browser;
    if (useBrowserCommand && GetShellOpenCommand(".html", browser)) {
        // The registry's own parameters for the browser are dropped: the address is the only one.
        cl::ShellExecuteOpen(GetDesktopWindow(), "open", browser, url);
        return;
    }
    cl::ShellExecuteOpen(GetDesktopWindow(), "open", url);
}

AnsiString ProgramDir() { return ExtractFilePath(cl::ModuleFileName(nullptr)); }

AnsiString GetTempDir()
{
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(MAX_PATH, path);
    AnsiString dir(path, n <= MAX_PATH ? n : 0);
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    const DWORD attrs = dir.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(dir.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY))
        return ProgramDir();
    return dir;
}

TDateTime TimeZoneBias()
{
    TIME_ZONE_INFORMATION tz{};
    const DWORD id = GetTimeZoneInformation(&tz);
    const long minutes = tz.Bias + (id == TIME_ZONE_ID_DAYLIGHT ? tz.DaylightBias : tz.StandardBias);
    return minutes / 1440.0;
}

TDateTime UTCToLocal(TDateTime utc) { return utc - TimeZoneBias(); }
TDateTime LocalToUTC(TDateTime local) { return local + TimeZoneBias(); }

TDateTime HTTPDateToDateTime(const AnsiString& header) { return HTTPDateToDateTime(header, TimeZoneBias()); }

TDateTime Now()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    return FromSystemTime(st);
}

TDateTime Today() { return std::floor(Now()); }

bool SetFileTimes(const AnsiString& fileName, TDateTime creation, TDateTime lastAccess, TDateTime lastWrite)
{
    const cl::FileHandle file(CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    // The values are local time; file times are UTC. A null pointer keeps a time as it is.
    FILETIME times[3];
    const FILETIME* set[3] = {};
    const TDateTime values[3] = {creation, lastAccess, lastWrite};
    for (int i = 0; i < 3; ++i) {
        SYSTEMTIME st;
        if (values[i] != -1 && ToSystemTime(LocalToUTC(values[i]), st) && SystemTimeToFileTime(&st, &times[i]))
            set[i] = &times[i];
    }
    return SetFileTime(file.get(), set[0], set[1], set[2]) != FALSE;
}

bool GetFileWriteTime(const AnsiString& fileName, TDateTime& lastWrite)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    SYSTEMTIME st;
    if (!GetFileAttributesExA(fileName.c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToSystemTime(&data.ftLastWriteTime, &st))
        return false;
    lastWrite = UTCToLocal(FromSystemTime(st));
    return true;
}

std::int64_t GetFileSize64(const AnsiString& fileName)
{
    const cl::FileHandle file(
        CreateFileA(fileName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return -1;
    DWORD high = 0;
    const DWORD low = GetFileSize(file.get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return -1;
    return static_cast<std::int64_t>(high) << 32 | low;
}

bool SetFileAttrs(const AnsiString& fileName, TupFileAttributes attrs)
{
    return SetFileAttributesA(fileName.c_str(), FileAttributeBits(attrs)) != FALSE;
}

bool ResourceToStream(HMODULE module, const char* name, const char* type, cl::TStream* stream)
{
    if (!stream)
        return false;
    HRSRC info = FindResourceA(module, name, type);
    HGLOBAL data = info ? LoadResource(module, info) : nullptr; // resources are never freed
    const void* bytes = data ? LockResource(data) : nullptr;
    const DWORD size = info ? SizeofResource(module, info) : 0;
    if (!bytes || size == 0)
        return false;
    try {
        stream->WriteBuffer(bytes, size);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void WaitForEvent(HANDLE& event, DWORD timeout, bool stopWhenTerminated)
{
    cl::KernelHandle owned(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    event = owned.get();
    const ULONGLONG deadline = GetTickCount64() + timeout;
    bool quit = false;
    WPARAM quitCode = 0;
    // The application counts as terminating once its loop has taken a quit, or this
    // wait has; both are looked at on every turn.
    auto terminating = [&] { return quit || (cl::Application && cl::Application->Terminated()); };
    // The wait's own end is looked at after every message: a queue that never empties
    // (a fast transfer, a nested step that posts the next one) must not hold it.
    auto over = [&] {
        return (stopWhenTerminated && terminating()) || WaitForSingleObject(owned.get(), 0) == WAIT_OBJECT_0 ||
               (timeout != 0 && GetTickCount64() >= deadline);
    };
    while (owned && !over()) {
        DWORD wait = INFINITE;
        if (timeout != 0) {
            const ULONGLONG now = GetTickCount64();
            wait = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        }
        HANDLE handle = owned.get();
        if (MsgWaitForMultipleObjects(1, &handle, FALSE, wait, QS_ALLINPUT) != WAIT_OBJECT_0 + 1)
            break; // set, timed out or failed
        // A quit is taken off the queue (so it cannot wake this loop again) and posted
        // again on the way out, for the caller's loop.
        MSG msg;
        while (!over() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            // Keys go through the forms first, as in the application's loop: Enter,
            // Escape and Tab reach the dialog they belong to.
            if (cl::Application && cl::Application->IsKeyMsg(msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    event = INVALID_HANDLE_VALUE;
    if (quit)
        PostQuitMessage(static_cast<int>(quitCode));
}

void CloseApplication()
{
    // The main form's close query may keep it open; the application ends all the same.
    if (cl::Application->MainForm())
        cl::Application->MainForm()->Close();
    cl::Application->Terminate();
}

void SignalEvent(HANDLE& event)
{
    if (event != nullptr && event != INVALID_HANDLE_VALUE)
        SetEvent(event);
}

} // namespace up
