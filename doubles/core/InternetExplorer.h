// The Internet Explorer double: an Application object with visible, Navigate,
// Busy, ReadyState, Document (documentElement.innerText) and quit. A Navigate
// reads the page file; Busy and ReadyState answer as scripted, and innerText
// is the scripted PageText or else the page's bytes without their tags.
#pragma once

#include <memory>

#include "DispObject.h"

namespace quillet::doubles {

DispObject* NewInternetExplorer(std::shared_ptr<Session> session);

}  // namespace quillet::doubles
