#include <dlfcn.h>
#include <ghostscript/iapi.h>
#include <ghostscript/ierrors.h>

#include "platform/ghostscript.h"

#include <string>
#include <vector>

namespace quillet::os {

namespace {

// Debian's Ghostscript library, bound at run time (the header gives the
// types only), and the one instance the five calls work on.
struct Gsapi {
  decltype(&gsapi_new_instance) newInstance = nullptr;
  decltype(&gsapi_delete_instance) deleteInstance = nullptr;
  decltype(&gsapi_set_arg_encoding) setArgEncoding = nullptr;
  decltype(&gsapi_set_stdio) setStdio = nullptr;
  decltype(&gsapi_init_with_args) initWithArgs = nullptr;
  decltype(&gsapi_run_string_begin) runBegin = nullptr;
  decltype(&gsapi_run_string_continue) runContinue = nullptr;
  decltype(&gsapi_run_string_end) runEnd = nullptr;
  decltype(&gsapi_exit) exit = nullptr;

  void* instance = nullptr;
  bool quit = false;  // the interpreter has ended (-dBATCH): nothing more runs
  GhostscriptCallbackFn callback = nullptr;
};

Gsapi& Api() {
  static Gsapi api;
  return api;
}

constexpr int kStdoutMessage = 2;  // the five-call interface's code for output text

// A result of the interpreter: its "quit" is the normal end of a batch run.
int Outcome(int code) {
  if (code == gs_error_Quit) {
    Api().quit = true;
    return 0;
  }
  return code;
}

int GSDLLCALL NoInput(void*, char*, int) { return 0; }

// The interpreter's output goes to the caller's callback as the older
// interface gave it, rather than to this process's standard streams.
int GSDLLCALL Output(void*, const char* text, int length) {
  if (Api().callback && length > 0) Api().callback(kStdoutMessage, const_cast<char*>(text), length);
  return length;
}

// The older library knew .setpdfwrite, which set pdfwrite's parameters for
// good PDF; newer ones use those parameters anyway and have dropped the
// operator. It is defined, as doing nothing, where the library lacks it,
// before the caller's own arguments run.
const char* const kSetPdfWrite = "/.setpdfwrite where { pop } { userdict /.setpdfwrite { } put } ifelse";

int Init(GhostscriptCallbackFn callback, void*, int argc, char** argv) {
  Gsapi& api = Api();
  if (api.instance) return gs_error_Fatal;  // one instance at a time
  api.quit = false;
  api.callback = callback;
  int code = api.newInstance(&api.instance, nullptr);
  if (code < 0) {
    api.instance = nullptr;
    return code;
  }
  api.setStdio(api.instance, NoInput, Output, Output);
  code = api.setArgEncoding(api.instance, GS_ARG_ENCODING_UTF8);
  if (code != 0) return Outcome(code);
  // The compatibility definition runs first in the caller's first -c, once
  // the device has been chosen.
  std::string definition = kSetPdfWrite;
  std::vector<char*> args;
  bool defined = false;
  for (int i = 0; i < argc; ++i) {
    args.push_back(argv[i]);
    if (!defined && argv[i] && std::string(argv[i]) == "-c") {
      args.push_back(definition.data());
      defined = true;
    }
  }
  return Outcome(api.initWithArgs(api.instance, static_cast<int>(args.size()), args.data()));
}

int ExecuteBegin() {
  Gsapi& api = Api();
  if (!api.instance) return gs_error_Fatal;
  if (api.quit) return 0;
  int exitCode = 0;
  return Outcome(api.runBegin(api.instance, 0, &exitCode));
}

int ExecuteCont(const char* text, int length) {
  Gsapi& api = Api();
  if (!api.instance) return gs_error_Fatal;
  if (api.quit) return 0;
  int exitCode = 0;
  return Outcome(
      api.runContinue(api.instance, text ? text : "", static_cast<unsigned>(length > 0 ? length : 0), 0, &exitCode));
}

int ExecuteEnd() {
  Gsapi& api = Api();
  if (!api.instance) return gs_error_Fatal;
  if (api.quit) return 0;
  int exitCode = 0;
  return Outcome(api.runEnd(api.instance, 0, &exitCode));
}

int Exit() {
  Gsapi& api = Api();
  if (!api.instance) return 0;
  const int code = Outcome(api.exit(api.instance));
  api.deleteInstance(api.instance);
  api.instance = nullptr;
  api.callback = nullptr;
  return code;
}

template <class F>
bool Bind(void* lib, const char* name, F& entry) {
  entry = reinterpret_cast<F>(::dlsym(lib, name));
  return entry != nullptr;
}

}  // namespace

bool BindGhostscript(GhostscriptEntries& entries) {
  Gsapi& api = Api();
  if (!api.newInstance) {
    // Never closed: the binding is kept for the life of the process.
    void* lib = ::dlopen("libgs.so.10", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!lib) return false;
    Gsapi found;
    if (!(Bind(lib, "gsapi_new_instance", found.newInstance) &&
          Bind(lib, "gsapi_delete_instance", found.deleteInstance) &&
          Bind(lib, "gsapi_set_arg_encoding", found.setArgEncoding) && Bind(lib, "gsapi_set_stdio", found.setStdio) &&
          Bind(lib, "gsapi_init_with_args", found.initWithArgs) &&
          Bind(lib, "gsapi_run_string_begin", found.runBegin) &&
          Bind(lib, "gsapi_run_string_continue", found.runContinue) &&
          Bind(lib, "gsapi_run_string_end", found.runEnd) && Bind(lib, "gsapi_exit", found.exit)))
      return false;
    api = found;
  }
  entries.init = Init;
  entries.executeBegin = ExecuteBegin;
  entries.executeCont = ExecuteCont;
  entries.executeEnd = ExecuteEnd;
  entries.exit = Exit;
  return true;
}

}  // namespace quillet::os
