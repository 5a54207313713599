// What keeps the in-process server loaded: the objects it made that are still
// alive and the locks taken with IClassFactory::LockServer. DllCanUnloadNow
// answers S_OK only when both are zero.
#pragma once

namespace quillet::comserver {

void ObjectCreated();
void ObjectDestroyed();
void LockServer();
void UnlockServer();
bool ServerInUse();

}  // namespace quillet::comserver
