// Word's FileConverters: the import formats of Writer beyond Word's own,
// those of the table that the installed LibreOffice has filters for.
#include <mutex>
#include <optional>
#include <set>

#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "formats/OpenFormats.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

using formats::WordConverter;

// The converters whose import filter the office has. Every office of a
// process is the same installation, and the engine reads FileConverters afresh
// for every member of every item, so the list is made once per process from
// one look-up of the filter names.
std::vector<WordConverter> Installed(uno::Office& office) {
  static std::mutex lock;
  static std::optional<std::vector<WordConverter>> installed;
  std::lock_guard<std::mutex> guard(lock);
  if (installed) return *installed;
  const auto context = office.context();
  uno::Reference<uno::css::container::XNameAccess> filters(
      context->getServiceManager()->createInstanceWithContext(uno::OUString("com.sun.star.document.FilterFactory"),
                                                              context),
      uno::UNO_QUERY_THROW);
  const uno::Sequence<uno::OUString> names = filters->getElementNames();
  const std::set<uno::OUString> known(names.begin(), names.end());
  std::vector<WordConverter> list;
  for (const WordConverter& c : formats::WordConverters())
    if (known.count(uno::Ou(c.filter))) list.push_back(c);
  installed = list;
  return list;
}

class FileConverter : public DispatchObject {
 public:
  FileConverter(const std::string& source, const WordConverter& c) : DispatchObject(source) {
    Property("CanOpen", [](const CallArgs&, Result& r) { r.Bool(true); });
    Property("CanSave", [](const CallArgs&, Result& r) { r.Bool(false); });
    Property("Extensions", [c](const CallArgs&, Result& r) { r.Text(c.extensions); });
    Property("OpenFormat", [c](const CallArgs&, Result& r) { r.Int(c.openFormat); });
    Property("SaveFormat", [](const CallArgs&, Result& r) { r.Int(0); });
    Property("FormatName", [c](const CallArgs&, Result& r) { r.Text(c.formatName); });
    Property("ClassName", [c](const CallArgs&, Result& r) { r.Text(c.filter); });
    Property("Name", [c](const CallArgs&, Result& r) { r.Text(c.formatName); });
  }
};

class FileConverters : public DispatchObject {
 public:
  explicit FileConverters(std::shared_ptr<AppState> app)
      : DispatchObject(app->source()), app_(std::move(app)), list_(Installed(app_->office())) {
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(static_cast<int32_t>(list_.size())); });
    Item("Item", {"Index"}, [this](const CallArgs& a, Result& r) {
      const int32_t i = a.Int(0, "Index").value_or(0);
      if (i < 1 || static_cast<size_t>(i) > list_.size())
        throw Failure("The requested member of the collection does not exist.");
      r.Object(new FileConverter(source(), list_[static_cast<size_t>(i - 1)]));
    });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::vector<WordConverter> list_;
};

}  // namespace

IDispatch* NewFileConverters(std::shared_ptr<AppState> app) { return new FileConverters(std::move(app)); }

}  // namespace quillet::office::word
