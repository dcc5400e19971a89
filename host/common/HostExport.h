// Marks the functions a host library exports. The host libraries are built with
// hidden visibility, so only what is marked here is reachable from outside; on
// Windows a DLL with marked exports exports nothing else.
#pragma once

#if defined(_WIN32)
#define HOST_EXPORT __declspec(dllexport)
#else
#define HOST_EXPORT __attribute__((visibility("default")))
#endif
