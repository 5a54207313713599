// FileToPDF(InputPostScript, OutputPDF, JobOptions): Ghostscript's pdfwrite
// through libgs, one instance per conversion. Answers 1 when the PDF was
// made; raises Ghostscript's own messages otherwise.
#include <ghostscript/iapi.h>
#include <ghostscript/ierrors.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "pdf/PdfObjects.h"

namespace quillet::office::pdf {

namespace {

// Ghostscript serves one instance at a time in a process.
std::mutex g_gsLock;

int GSDLLCALL NoInput(void*, char*, int) { return 0; }
int GSDLLCALL Discard(void*, const char*, int length) { return length; }
int GSDLLCALL Collect(void* handle, const char* text, int length) {
  static_cast<std::string*>(handle)->append(text, static_cast<size_t>(length));
  return length;
}

// The last lines Ghostscript wrote about the failure, on one line.
std::string Reason(const std::string& errors, int code) {
  std::string text;
  for (char c : errors) text += c == '\n' || c == '\r' ? ' ' : c;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.size() > 300) text = text.substr(0, 300) + "...";
  return text.empty() ? "Ghostscript error " + std::to_string(code) : text;
}

void Distill(const std::string& ps, const std::string& pdf) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(ps, ec)) throw Failure("The PostScript file cannot be read: " + ps);
  std::lock_guard<std::mutex> guard(g_gsLock);
  void* instance = nullptr;
  if (gsapi_new_instance(&instance, nullptr) < 0) throw Failure("Ghostscript cannot be started");
  std::string errors;
  // The error output goes to the collector through the caller handle.
  gsapi_set_stdio_with_handle(instance, NoInput, Discard, Collect, &errors);
  gsapi_set_arg_encoding(instance, GS_ARG_ENCODING_UTF8);
  std::vector<std::string> args{"quillet-distiller",   "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite",
                                "-sOutputFile=" + pdf, "-f", ps};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  int code = gsapi_init_with_args(instance, static_cast<int>(argv.size()), argv.data());
  const int exitCode = gsapi_exit(instance);
  gsapi_delete_instance(instance);
  if (code == gs_error_Quit) code = 0;
  if (code == 0) code = exitCode;
  if (code != 0) {
    std::filesystem::remove(pdf, ec);
    throw Failure("Ghostscript could not make " + pdf + " from " + ps + ": " + Reason(errors, code));
  }
}

class PdfMaker : public DispatchObject {
 public:
  PdfMaker() : DispatchObject("quillet PDF maker") {
    Method("FileToPDF", {"InputPostScript", "OutputPDF", "JobOptions"}, [](const CallArgs& a, Result& r) {
      const std::string ps = a.Text(0, "InputPostScript").value_or("");
      const std::string pdf = a.Text(1, "OutputPDF").value_or("");
      if (ps.empty() || pdf.empty()) throw Failure("A PostScript file and a PDF file are needed.");
      Distill(ps, pdf);
      r.Int(1);
    });
  }
};

}  // namespace

IDispatch* NewPdfMaker() { return new PdfMaker; }

}  // namespace quillet::office::pdf
