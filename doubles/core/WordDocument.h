// A Word document: the shared document members, and Hyperlinks, InlineShapes,
// Characters, the open and save encodings and the three revision switches;
// SaveAs names the encoding it was given.
#pragma once

#include <memory>
#include <string>

#include "Document.h"
#include "Values.h"
#include "WordContent.h"

namespace quillet::doubles {

class WordDocument : public Document {
 public:
  WordDocument(std::shared_ptr<Session> session, const std::string& path);

  // Documents.Open's parameters, in Word's order.
  static const std::vector<std::string>& OpenParams();

 protected:
  void Save(const CallArgs& args, const std::string& dest, int32_t format) override;

 private:
  WordLinks links_;
  WordInlineShapes shapes_;
  Stored saveEncoding_;
  Stored trackRevisions_{BoolVariant(false)}, printRevisions_{BoolVariant(false)}, showRevisions_{BoolVariant(false)};
  Stored orientation_{IntVariant(0)};  // PageSetup.Orientation
};

}  // namespace quillet::doubles
