// HTML Help, reached at run time in the platform's HTML Help control (hhctrl.ocx). When the
// control or its entry point cannot be found, that is remembered and every call returns 0.
#pragma once
#include <windows.h>

constexpr UINT kHhDisplayTopic = 0;
constexpr UINT kHhInitialize = 28;
constexpr UINT kHhUninitialize = 29;
constexpr UINT kHhPretranslateMessage = 253;

HWND html_help(HWND owner, const char* file, UINT command, DWORD_PTR data);
// True once the control has been loaded (it loads on first use).
bool html_help_available();
// Forget the loaded control and where to look for it. The control is found through the registered
// server of its class identifier, then by the file name; tests pass names that do not exist to
// see the tool without HTML Help. Null restores the defaults.
void html_help_reset(const char* clsid_key, const char* fallback_name);
