// What the verb files share: the helpers of verbs.cpp and the verbs the table
// in RunVerb names, one group per file.
#pragma once

#include <functional>
#include <string>

#include "driver.h"

// ---- helpers (verbs.cpp) ------------------------------------------------
int Fail(Json& out, int code, const std::string& message);
bool ParseInt(const std::string& text, long long* value);
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
void SendAction(Json& out, HWND window, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs);

// ---- looking (verbs_look.cpp) -------------------------------------------
void ControlInfo(Json& out, HWND parent, HWND control, int index, HDC screen = nullptr);
int VerbMain(const Options&, Json& out);
int VerbWaitMain(const Options& o, Json& out);
int VerbWaitWindow(const Options& o, Json& out);
int VerbWaitGone(const Options& o, Json& out);
int VerbProgress(const Options&, Json& out);
int VerbWaitProgress(const Options& o, Json& out);
int VerbWaitIdle(const Options& o, Json& out);
int VerbControls(const Options&, Json& out);
int VerbRadios(const Options&, Json& out);

// ---- message boxes (verbs_boxes.cpp) ------------------------------------
DWORD ProgramProcess();
int VerbBoxes(const Options& o, Json& out);
int VerbWaitBox(const Options& o, Json& out);
int VerbPressBox(const Options& o, Json& out);

// ---- acting (verbs_act.cpp) ---------------------------------------------
int VerbClick(const Options& o, Json& out);
int VerbSelectPort(const Options& o, Json& out);
int VerbCommand(const Options& o, Json& out);
int VerbTab(const Options& o, Json& out);
int VerbRclick(const Options& o, Json& out);
int VerbPopup(const Options&, Json& out);
int VerbPopupChoose(const Options& o, Json& out);
int VerbPopupCancel(const Options& o, Json& out);

// ---- the screen and the window system (verbs_screen.cpp) ----------------
int VerbDots(const Options&, Json& out);
int VerbPixel(const Options& o, Json& out);
int VerbMouse(const Options& o, Json& out);
int VerbDeviceChange(const Options& o, Json& out);
int VerbClose(const Options&, Json& out);
int VerbMinimize(const Options& o, Json& out);
int VerbWindows(const Options&, Json& out);
int VerbMenu(const Options& o, Json& out);

// ---- the program's other top-level windows (verbs_windows.cpp) ----------
int VerbWindow(const Options& o, Json& out);
int VerbWaitClass(const Options& o, Json& out);
int VerbFocus(const Options&, Json& out);
int VerbCloseBox(const Options& o, Json& out);
int VerbSysClose(const Options& o, Json& out);
int VerbKey(const Options& o, Json& out);
