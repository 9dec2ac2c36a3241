// Screenshot helper, run under Wine: plays a user's input into a window of the client.
//   UserInput click CLASS X Y   puts the cursor at X,Y of the visible top-level window of
//                               the class CLASS (a negative X counts from its right edge)
//                               and posts it the frame messages of a left click there
//   UserInput keys KEY...       presses and releases each key: down, up, return, escape
// Exits 0 once the input is on its way, 1 when the window or a key is not known, 2 on bad
// use. (Mouse buttons injected from this other process did not reach the window under
// Wine; keys do.)
#include "tools/screens/VisibleWindow.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Click(const char* className, int x, int y)
{
    const HWND found = screens::FindVisibleWindow(className);
    if (!found) return std::printf("no visible window of the class %s\n", className), 1;
    RECT r{};
    GetWindowRect(found, &r);
    const POINT at{x < 0 ? r.right + x : r.left + x, r.top + y};
    SetForegroundWindow(found);
    SetCursorPos(at.x, at.y);
    const LPARAM point = MAKELPARAM(at.x, at.y);
    DWORD_PTR hit = HTNOWHERE;
    if (!SendMessageTimeoutA(found, WM_NCHITTEST, 0, point, SMTO_NORMAL, 30000, &hit))
        return std::printf("the window did not answer\n"), 1;
    PostMessageA(found, WM_NCMOUSEMOVE, hit, point);
    PostMessageA(found, WM_NCLBUTTONDOWN, hit, point);
    PostMessageA(found, WM_NCLBUTTONUP, hit, point);
    std::printf("clicked at %ld,%ld (hit test %lu)\n", at.x, at.y, static_cast<unsigned long>(hit));
    return 0;
}

WORD KeyCode(const char* name)
{
    static const struct {
        const char* name;
        WORD key;
    } keys[] = {{"down", VK_DOWN}, {"up", VK_UP}, {"return", VK_RETURN}, {"escape", VK_ESCAPE}};
    for (const auto& k : keys)
        if (std::strcmp(k.name, name) == 0) return k.key;
    return 0;
}

int Keys(int count, char** names)
{
    for (int i = 0; i < count; ++i) {
        const WORD key = KeyCode(names[i]);
        if (!key) return std::printf("unknown key %s\n", names[i]), 1;
        INPUT input[2]{};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wVk = input[1].ki.wVk = key;
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        if (SendInput(2, input, sizeof(INPUT)) != 2) return std::printf("the keys were not sent\n"), 1;
        Sleep(200); // a typing pace
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "click") == 0) return Click(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc >= 3 && std::strcmp(argv[1], "keys") == 0) return Keys(argc - 2, argv + 2);
    std::printf("usage: UserInput click CLASS X Y | UserInput keys KEY...\n");
    return 2;
}
