// How the format library double exports its entry points under Windows:
// stdcall functions under their plain names (linked with --kill-at).
#pragma once

#define BRIDGE_EXPORT extern "C" __declspec(dllexport)
#define BRIDGE_CALL __stdcall
