#include "WordConverters.h"

namespace quillet::doubles {

namespace {

class FileConverter : public DispObject {
 public:
  FileConverter(std::shared_ptr<Session> s, const std::string& name, const ScriptedConverter& c)
      : DispObject(std::move(s), name) {
    Property("CanOpen", [c](const CallArgs&, VARIANT* r) {
      SetBool(r, c.canOpen);
      return S_OK;
    });
    Property("CanSave", [c](const CallArgs&, VARIANT* r) {
      SetBool(r, c.canSave);
      return S_OK;
    });
    Property("Extensions", [c](const CallArgs&, VARIANT* r) {
      SetText(r, c.extensions);
      return S_OK;
    });
    Property("OpenFormat", [c](const CallArgs&, VARIANT* r) {
      SetInt(r, c.openFormat);
      return S_OK;
    });
    Property("SaveFormat", [c](const CallArgs&, VARIANT* r) {
      SetInt(r, c.saveFormat);
      return S_OK;
    });
    Property("FormatName", [c](const CallArgs&, VARIANT* r) {
      SetText(r, c.formatName);
      return S_OK;
    });
    Property("ClassName", [c](const CallArgs&, VARIANT* r) {
      SetText(r, c.formatName);
      return S_OK;
    });
  }
};

}  // namespace

FileConverters::FileConverters(std::shared_ptr<Session> s, const std::string& name) : DispObject(std::move(s), name) {
  const auto& list = session().script().converters;
  Collection([&list] { return static_cast<int32_t>(list.size()); },
             [this, &list](int32_t i) -> DispObject* {
               return new FileConverter(sessionPtr(), this->name() + "(" + std::to_string(i) + ")",
                                        list[static_cast<size_t>(i - 1)]);
             });
}

}  // namespace quillet::doubles
