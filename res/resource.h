/* Resource numbers shared by program.rc and the program's code.
   Only #define lines, so that both windres and the C++ compiler read it. */
#ifndef KV_RESOURCE_H
#define KV_RESOURCE_H

/* Icons. 1 is the first icon group, hence the icon of the program file. */
#define IDI_KV_PROGRAM    1
#define IDI_KV_HANDSHAKE  2
#define IDI_KV_SUCCESS    3
#define IDI_KV_WARNING    4
#define IDI_KV_ERROR      5
#define IDI_KV_HINT       6
#define IDI_KV_RETRY      7

/* About dialog, one template per interface language. */
#define IDD_ABOUT_RU      1
#define IDD_ABOUT_EN      2

/* Controls without an id of their own. */
#ifndef IDC_STATIC
#define IDC_STATIC        (-1)
#endif

/* Application manifest (RT_MANIFEST); 1 is the one the loader reads for an exe. */
#define IDR_KV_MANIFEST   1

#endif
