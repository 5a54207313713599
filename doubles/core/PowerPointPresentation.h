// A PowerPoint presentation: the shared document members and Slides. SaveAs
// as slide pictures (formats 16 and 17) writes one BMP file per slide into the
// image folder (the destination without its extension) and nothing at the
// destination itself; as a web page (format 12) it writes one page per slide
// holding the slide's texts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Document.h"

namespace quillet::doubles {

class PowerPointPresentation : public Document {
 public:
  PowerPointPresentation(std::shared_ptr<Session> session, const std::string& path);

  // Presentations.Open's parameters, in PowerPoint's order.
  static const std::vector<std::string>& OpenParams();

 protected:
  void Save(const CallArgs& args, const std::string& dest, int32_t format) override;
};

}  // namespace quillet::doubles
