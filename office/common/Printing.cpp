#include "common/Printing.h"

#include <com/sun/star/awt/XPrinterServer.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/util/XStringSubstitution.hpp>
#include <com/sun/star/view/PaperOrientation.hpp>
#include <com/sun/star/view/XPrintable.hpp>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "automation/Failure.h"
#include "platform/printer.h"

namespace quillet::office {

namespace {

using uno::css::uno::XInterface;

uno::Reference<XInterface> Service(uno::Office& office, const char* name) {
  const auto context = office.context();
  return context->getServiceManager()->createInstanceWithContext(uno::OUString::createFromAscii(name), context);
}

// The printer's section: PostScript level 2, not PDF; a job that is not
// printed into a file goes nowhere.
std::string QueueSection() {
  const std::string name = os::kOfficePostScriptQueue;
  return "[" + name + "]\nPrinter=SGENPRT/" + name +
         "\nDefaultPrinter=0\nLocation=\nComment=PostScript into a file\nPSLevel=2\nPDFDevice=-1\n"
         "Command=cat > /dev/null\n";
}

// The profiles already given the queue in this process (by their file).
std::mutex g_lock;
std::set<std::string> g_configured;

void EnsureQueue(uno::Office& office) {
  uno::Reference<uno::css::util::XStringSubstitution> paths(Service(office, "com.sun.star.util.PathSubstitution"),
                                                            uno::UNO_QUERY_THROW);
  const std::string user = uno::FilePath(paths->substituteVariables(uno::Ou("$(user)"), true));
  const std::filesystem::path file = std::filesystem::path(user) / "psprint" / "psprint.conf";
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_configured.count(file.string())) return;
  std::string text;
  {
    std::ifstream in(file);
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
  }
  if (text.find("[" + std::string(os::kOfficePostScriptQueue) + "]") == std::string::npos) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::app);
    out << (text.empty() || text.back() == '\n' ? "" : "\n") << (text.empty() ? "" : "\n") << QueueSection();
    if (!out.flush()) throw Failure("The printer configuration cannot be written: " + file.string());
  }
  g_configured.insert(file.string());
}

}  // namespace

std::vector<std::string> OfficePrinters(uno::Office& office) {
  EnsureQueue(office);
  uno::Reference<uno::css::awt::XPrinterServer> server(Service(office, "com.sun.star.awt.PrinterServer"),
                                                       uno::UNO_QUERY_THROW);
  std::vector<std::string> names;
  for (const uno::OUString& name : server->getPrinterNames()) names.push_back(uno::Utf8(name));
  return names;
}

void CheckPrinter(uno::Office& office, const std::string& name) {
  for (const std::string& known : OfficePrinters(office))
    if (known == name) return;
  throw Failure("The printer \"" + name + "\" is not installed");
}

void PrintDocument(uno::Office& office, const OpenDocument& document, const PrintJob& job) {
  CheckPrinter(office, job.printer);
  uno::Reference<uno::css::view::XPrintable> printable(document.Model(), uno::UNO_QUERY_THROW);
  if (job.landscape)
    printable->setPrinter(uno::MakeProps({{"Name", uno::Any(uno::Ou(job.printer))},
                                          {"PaperOrientation", uno::Any(uno::css::view::PaperOrientation_LANDSCAPE)}}));
  else
    printable->setPrinter(uno::MakeProps({{"Name", uno::Any(uno::Ou(job.printer))}}));
  std::error_code ec;
  if (!job.file.empty()) std::filesystem::remove(job.file, ec);
  std::vector<uno::css::beans::PropertyValue> options = {uno::Prop("Wait", uno::Any(true))};
  if (!job.pages.empty()) options.push_back(uno::Prop("Pages", uno::Any(uno::Ou(job.pages))));
  if (job.file.empty()) {
    printable->print(uno::MakeProps(options));
    return;
  }
  options.push_back(uno::Prop("FileName", uno::Any(uno::FileUrl(job.file))));
  printable->print(uno::MakeProps(options));
  if (!std::filesystem::exists(job.file, ec))
    throw Failure("The printer \"" + job.printer + "\" did not write " + job.file);
}

}  // namespace quillet::office
