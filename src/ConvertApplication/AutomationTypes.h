// The declarations the automation server is built from: the system's COM
// headers, then IConvertApplication and ConvertApplication as widl generated
// them from quillet.idl (__uuidof works for both).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include "quillet_h.h"
