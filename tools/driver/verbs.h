// What the verb files share: the helpers of verbs.cpp, a few of the groups'
// own, and the verbs, one group per file.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "driver.h"

// ---- helpers (verbs.cpp) ------------------------------------------------
int Fail(Json& out, int code, const std::string& message);
bool ParseInt(const std::string& text, long long* value);
// The whole numbers that follow the verb, in order; false when one is
// missing or not a number.
bool IntArgs(const Options& o, std::initializer_list<long long*> values);
bool PollUntil(int ms, const std::function<bool()>& done);
bool WaitGone(HWND window, int ms);
bool RealClick(POINT screen, bool right);
std::string Arg(const Options& o, size_t i);
int TimeLimit(const Options& o, size_t i);
void WindowBasics(Json& out, HWND w);
void ClientArea(Json& out, HWND w);
void MainInfo(Json& out, HWND main, int count);
HWND NeedMain(Json& out, int* code);
HWND FindControl(HWND main, int id);
std::string Unusable(HWND main, HWND control);
int Refuse(Json& out, const std::string& why);
// The main window when the operator could use it now; otherwise nullptr, with
// the error or the refusal in `out` and its exit code in `*code`.
HWND NeedUsableMain(Json& out, int* code);
// The usual start of a verb: the whole numbers after it, then the main window
// (with `usable`, one the operator could use now). False with the usage
// error, the missing window or the refusal in `out` and the exit code in `*code`.
bool StartVerb(const Options& o, Json& out, std::initializer_list<long long*> values, const char* usage,
               HWND* main, int* code, bool usable = false);
void SendAction(Json& out, HWND window, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs);

// ---- looking (verbs_look.cpp) -------------------------------------------
void ControlInfo(Json& out, HWND parent, HWND control, int index, HDC screen = nullptr);

// ---- message boxes (verbs_boxes.cpp) ------------------------------------
DWORD ProgramProcess();

// ---- the verbs, by group ------------------------------------------------
// Each fills `out` and returns the exit code; RunVerb names them.
using VerbFn = int(const Options& o, Json& out);
// verbs_look.cpp
VerbFn VerbMain, VerbWaitMain, VerbWaitWindow, VerbWaitGone, VerbProgress, VerbWaitProgress, VerbWaitIdle,
    VerbControls, VerbRadios;
// verbs_boxes.cpp
VerbFn VerbBoxes, VerbWaitBox, VerbPressBox;
// verbs_act.cpp
VerbFn VerbClick, VerbSelectPort, VerbCommand, VerbTab, VerbRclick, VerbPopup, VerbPopupChoose, VerbPopupCancel;
// verbs_screen.cpp
VerbFn VerbDots, VerbPixel, VerbMouse, VerbDeviceChange, VerbClose, VerbMinimize, VerbWindows, VerbMenu;
// verbs_windows.cpp
VerbFn VerbWindow, VerbWaitClass, VerbFocus, VerbCloseBox, VerbSysClose, VerbKey;
