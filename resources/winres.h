// The few window-style and control constants the resource script uses, so
// that it compiles without a Windows SDK.
#pragma once

#define WS_POPUP 0x80000000L
#define WS_VISIBLE 0x10000000L
#define WS_TABSTOP 0x00010000L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define BS_PUSHBUTTON 0x0L
#define BS_OWNERDRAW 0xBL
#define IDOK 1
#define IDCANCEL 2
#define VOS_NT_WINDOWS32 0x40004L
#define VFT_APP 0x1L
#define VS_FF_NONE 0x0L
