// Word's FileConverters: Count and Item(Index), each item with the fields of
// one scripted converter.
#pragma once

#include <memory>
#include <string>

#include "DispObject.h"

namespace quillet::doubles {

class FileConverters : public DispObject {
 public:
  FileConverters(std::shared_ptr<Session> session, const std::string& name);
};

}  // namespace quillet::doubles
