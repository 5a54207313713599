// The slides of a PowerPoint presentation as the script gives them:
//   <presentation>.Slides            Count, Item(Index), Items(Index)
//   ...Slides(i)                     Shapes
//   ...Slides(i).Shapes              Count, Item(Index)
//   ...Slides(i).Shapes(j)           HasTextFrame (-1 or 0), TextFrame
//   ...Shapes(j).TextFrame           HasText (-1 or 0), TextRange
//   ...Shapes(j).TextFrame.TextRange Text
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DispObject.h"
#include "Script.h"

namespace quillet::doubles {

class Slides : public DispObject {
 public:
  Slides(std::shared_ptr<Session> session, const std::string& name);
};

}  // namespace quillet::doubles
