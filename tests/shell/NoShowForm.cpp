// A library named like the player library that lacks its entry.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall NotShowForm() { return 0; }
