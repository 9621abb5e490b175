// The Win32 API for the few files that call it, without what its header would break elsewhere:
// min/max macros, and the ANSI/wide switching macros that would rename the file layer's own
// functions (CreateDirectory, MoveFile, RemoveDirectory, ReplaceFile).
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef CreateDirectory
#undef MoveFile
#undef RemoveDirectory
#undef ReplaceFile
#endif
