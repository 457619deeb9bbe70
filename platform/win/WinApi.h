#pragma once
// windows.h for the Windows side of the layer, before any other header:
// without the min/max macros, and without the DeleteFile / LoadLibrary /
// CopyFile macros, which would rename the layer's own functions declared in
// Platform.h.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef CopyFile
#undef DeleteFile
#undef LoadLibrary
