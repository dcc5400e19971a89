// Marks the functions a host library exports. The host libraries are built with
// hidden visibility, so only what is marked here is reachable from outside.
//
// HOST_EXPORT marks a function the host's own library exports. On Windows the
// host DLL's export table comes from its .def file (host/exports/), which gives
// the host's names, ordinals and decorations, so nothing is marked there: a
// marked function would be exported a second time under the compiler's name.
// STANDIN_EXPORT marks what only the stand-in exports, for hostkit and the
// tests (writing tables, the failure switch); the programs never import it.
//
// HOST_CALL is the host's calling convention, on every host function. The
// build sets it (DOSEWRIGHT_HOST_CALLING_CONVENTION), for the stand-ins and the
// programs alike; without it a function has the compiler's default, cdecl.
#pragma once

#if defined(_WIN32)
#define HOST_EXPORT
#define STANDIN_EXPORT __declspec(dllexport)
#else
#define HOST_EXPORT __attribute__((visibility("default")))
#define STANDIN_EXPORT __attribute__((visibility("default")))
#endif

#ifndef HOST_CALL
#define HOST_CALL
#endif
