// <commctrl.h> declares a function named MenuHelp, which is also the name of
// one of our text keys; include it through here so the two never meet.
#pragma once

#include <windows.h>

#define MenuHelp CommonControlsMenuHelp
#include <commctrl.h>
#undef MenuHelp
