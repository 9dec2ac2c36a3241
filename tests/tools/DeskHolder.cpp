// Keeps a desktop of the test prefixes standing for the whole run: a process attached to
// the desktop, with no window of its own, that waits until its server ends it. Without
// one the desktop goes a moment after each program's end and the next program can start
// while it goes. Writes "attached" once it holds the desktop.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (!GetDesktopWindow()) return 1;
    static const char line[] = "attached\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, sizeof line - 1, &written, nullptr);
    Sleep(INFINITE);
    return 0;
}
