// How the format library double exports its entry points under Linux: the
// system's own calling convention, visible from the shared object.
#pragma once

#define BRIDGE_EXPORT extern "C" __attribute__((visibility("default")))
#define BRIDGE_CALL
