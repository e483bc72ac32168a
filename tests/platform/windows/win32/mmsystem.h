// Stand-in: the media command interface (see windows.h beside it).
#pragma once

#include "windows.h"

using MCIERROR = DWORD;

MCIERROR mciSendStringA(LPCSTR command, LPSTR answer, UINT answer_size, HWND callback);
