// quillet: documents converted from the command line through the library.
//
//   quillet convert SRC DEST [--format F] [--app A] [--option TEXT] [PDF] [--keep-office S]
//   quillet folder SRC DEST [--format F] [--app A] [--option TEXT] [PDF] [--recurse]
//                  [--jobs N] [--report FILE] [--json FILE] [--keep-office S]
//     PDF: [--pdfa[=N]] [--pages A-B[,C-D...]] [--password TEXT | --password-file F]
//          (the password also from QUILLET_PASSWORD)
//   quillet office start|stop|status [--instances N]
//   quillet serve [--listen ADDR:PORT] [--workers N] [--max-queue Q] [--timeout S]
//                 [--max-upload SIZE] [--auth-token-file F] [--drain-timeout S]
//                 [--max-office-memory SIZE] [--max-result SIZE] [--max-files N]
//                 [--read-timeout S] [--max-connections N] [--probe-every S]
//                 [--sandbox auto|on|off]
//                 [--allow-any-option]
//                 [--webhook-allow-list REGEX] [--webhook-max-retry N] [--webhook-retry-min-wait S]
//                 [--webhook-retry-max-wait S] [--webhook-client-timeout S] [--max-webhook-jobs N]
//                 [--download-from-allow-list REGEX] [--max-downloads N]
//   quillet formats [--library]
//   quillet field NAME
//   quillet --version
//
// Exit status: 0 done, 1 a conversion failed, 2 a usage or set-up error.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <regex>

#include "Commands.h"
#include "LingeringOffice.h"
#include "Serve.h"
#include "quillet/quillet.h"
#include "Workers.h"

using namespace quillet::cli;

namespace {

void AddAsk(CLI::App* command, Ask& ask) {
  command->add_option("--format,-f", ask.format,
                      "destination format: a name (txt, pdf, html, doc, docx, rtf, odt, csv, xls, xlsx, ods, ppt, "
                      "pptx, odp, jpg, gif, png, text ...; see 'quillet formats') or the application's number");
  command->add_option("--app,-a", ask.app, "the application to open the source with: word, excel or powerpoint");
  command->add_option("--option,-o", ask.option, "the library's option keywords (MERGEHTML, JPEGWIDTH=800 ...)");
  command
      ->add_flag("--pdfa{1}", ask.pdfa,
                 "PDF/A: --pdfa is PDF/A-1b; --pdfa=2 and --pdfa=3 (PDF/A-2b, 3b) are refused "
                 "by applications that do not make them")
      ->check(CLI::IsMember({"1", "2", "3"}));
  command
      ->add_option("--pages", ask.pages,
                   "only these pages (slides) into the PDF: A-B, one page, or a list such as 1-3,5")
      ->check(CLI::Validator(
          [](std::string& pages) {
            const std::string item = "[1-9][0-9]{0,4}(-[1-9][0-9]{0,4})?";
            return std::regex_match(pages, std::regex(item + "( *, *" + item + ")*"))
                       ? std::string()
                       : "a page, a range of pages such as 2-3, or a list of them such as 1-3,5";
          },
          "A-B"));
  // A password on the command line shows in the process list: the file and
  // the environment variable do not.
  if (const char* password = std::getenv("QUILLET_PASSWORD"); password && *password) ask.password = password;
  CLI::Option* password = command->add_option_function<std::string>(
      "--password", [&ask](const std::string& text) { ask.password = text; },
      "the password the sources open with (better: --password-file or QUILLET_PASSWORD)");
  command
      ->add_option_function<std::string>(
          "--password-file",
          [&ask](const std::string& file) {
            try {
              ask.password = ReadPasswordFile(file);
            } catch (const std::invalid_argument& e) {
              throw CLI::ValidationError("--password-file", e.what());
            }
          },
          "a file holding the password (its closing line end is not part of it)")
      ->excludes(password);
}

}  // namespace

int main(int argc, char** argv) {
  // The worker mode of folder runs and of the server: not a command for
  // people. (Started without a version, by a program older than the
  // versions, it refuses too.)
  if (argc >= 2 && argc <= 3 && std::string(argv[1]) == "worker") return ServeAsWorker(argc == 3 ? argv[2] : "");
  // The keeper of a lingering office, started by a conversion.
  if (argc == 4 && std::string(argv[1]) == "linger-office") return RunLingerOffice(argv[2], argv[3]);
  if (argc >= 2 && std::string(argv[1]) == "pdf-job") return RunPdfJob(argc, argv);
  // A lingering office held for the Python package.
  if (argc == 3 && std::string(argv[1]) == "lease-office") return RunLeaseOffice(argv[2]);

  CLI::App app{"quillet: converts documents by driving the office applications (LibreOffice on Linux)"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("quillet ") + QUILLET_VERSION);

  Ask convertAsk;
  std::string src, dest;
  CLI::App* convert = app.add_subcommand("convert", "convert one file");
  convert->add_option("SRC", src, "the source file")->required();
  convert->add_option("DEST", dest, "the destination file (its extension names the format when --format is not given)")
      ->required();
  AddAsk(convert, convertAsk);
  int keepOffice = -1;
  const std::string keepHelp =
      "leave the office running for the next call, until it has been idle that many seconds (default: "
      "QUILLET_KEEP_OFFICE, else 0: not kept)";
  convert->add_option("--keep-office", keepOffice, keepHelp)->check(CLI::Range(0, 86400));

  FolderArgs folderArgs;
  CLI::App* folder = app.add_subcommand("folder", "convert every document of a folder");
  folder->add_option("SRC", folderArgs.src, "the folder, or a pattern of file names in it ('in/*.docx')")->required();
  folder->add_option("DEST", folderArgs.dest, "the destination folder (made when missing)")->required();
  AddAsk(folder, folderArgs.ask);
  folder->add_flag("--recurse,-r", folderArgs.recurse,
                   "take the subfolders too (their results in the same subfolders)");
  folder->add_option("--jobs,-j", folderArgs.jobs, "worker processes, each with its own LibreOffice")
      ->check(CLI::Range(1, 64));
  folder->add_option("--report", folderArgs.report, "write the failures there, in the library's report format");
  folder->add_option("--json", folderArgs.json, "write a JSON Lines record per file there ('-': standard output)");
  folder->add_option("--keep-office", keepOffice, keepHelp + "; not with --jobs")->check(CLI::Range(0, 86400));

  std::string action;
  CLI::App* office = app.add_subcommand("office", "the shared LibreOffice that one-shot conversions attach to");
  office->add_option("ACTION", action, "start, stop or status")
      ->required()
      ->check(CLI::IsMember({"start", "stop", "status"}));
  size_t instances = 1;
  office->add_option("--instances", instances, "start: that many offices, for folder runs with --jobs to attach to")
      ->check(CLI::Range(1, 64));

  ServeArgs serveArgs;
  CLI::App* serve = app.add_subcommand("serve", "convert documents posted over HTTP, in a pool of worker processes");
  serve->add_option("--listen", serveArgs.listen, "ADDR:PORT to listen on (port 0: a free one)")->capture_default_str();
  serve->add_option("--workers", serveArgs.workers, "worker processes, each with its own LibreOffice (default: cores)")
      ->check(CLI::Range(1, 64));
  serve->add_option("--max-queue", serveArgs.maxQueue, "requests that may wait for a worker (default: 4 per worker)")
      ->check(CLI::Range(1, 10000));
  serve->add_option("--timeout", serveArgs.timeout, "seconds per document, not counting its wait in the queue")
      ->check(CLI::Range(1, 86400))
      ->capture_default_str();
  serve->add_option("--max-upload", serveArgs.maxUpload, "the largest request body (bytes, or 20k, 100M, 1G)")
      ->capture_default_str();
  serve->add_option("--auth-token-file", serveArgs.authTokenFile,
                    "a file holding the token clients send as 'Authorization: Bearer TOKEN'");
  serve
      ->add_option("--drain-timeout", serveArgs.drainTimeout,
                   "seconds that requests in progress get to finish after SIGTERM or SIGINT")
      ->check(CLI::Range(0, 86400))
      ->capture_default_str();
  serve
      ->add_option("--max-office-memory", serveArgs.maxOfficeMemory,
                   "an office that passes this resident memory while it converts is ended (the document fails)")
      ->capture_default_str();
  serve->add_option("--max-result", serveArgs.maxResult, "the largest results of one document")->capture_default_str();
  serve->add_option("--max-files", serveArgs.maxFiles, "the most files one request may send")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();
  serve
      ->add_option("--read-timeout", serveArgs.readTimeout,
                   "seconds a client has to send a whole request, its body included")
      ->check(CLI::Range(1, 3600))
      ->capture_default_str();
  serve
      ->add_option("--max-connections", serveArgs.maxConnections,
                   "connections open at once; one more is answered 503 at once")
      ->check(CLI::Range(4, 100000))
      ->capture_default_str();
  serve
      ->add_option("--probe-every", serveArgs.probeEvery,
                   "seconds of idleness after which a worker's office is probed with a small document")
      ->check(CLI::Range(1, 3600))
      ->capture_default_str();
  serve
      ->add_option("--sandbox", serveArgs.sandbox,
                   "run each office in a sandbox of the system's (bubblewrap: no network, only its own files): "
                   "auto where the system allows it, on (refuse to start without), off")
      ->check(CLI::IsMember({"auto", "on", "off"}))
      ->capture_default_str();
  serve->add_flag("--allow-any-option", serveArgs.allowAnyOption,
                  "let clients send any option keyword of the library (macros, other routes), not only the PDF "
                  "and picture settings");
  serve->add_option("--webhook-allow-list", serveArgs.webhookAllowList,
                    "the webhook URLs the server may call: a regular expression matched against the whole URL "
                    "(without it, webhooks are refused)");
  serve->add_option("--webhook-max-retry", serveArgs.webhookMaxRetry, "deliveries tried again after the first")
      ->check(CLI::Range(0, 10))
      ->capture_default_str();
  serve->add_option("--webhook-retry-min-wait", serveArgs.webhookRetryMinWait, "seconds before the first retry")
      ->check(CLI::Range(0, 3600))
      ->capture_default_str();
  serve
      ->add_option("--webhook-retry-max-wait", serveArgs.webhookRetryMaxWait,
                   "the longest wait between retries in seconds (the wait doubles from the first)")
      ->check(CLI::Range(0, 3600))
      ->capture_default_str();
  serve->add_option("--webhook-client-timeout", serveArgs.webhookClientTimeout, "seconds for one delivery in all")
      ->check(CLI::Range(1, 3600))
      ->capture_default_str();
  serve
      ->add_option("--max-webhook-jobs", serveArgs.maxWebhookJobs,
                   "conversions answered by webhook that may be pending at once; one more is answered 429")
      ->check(CLI::Range(1, 10000))
      ->capture_default_str();
  serve->add_option("--download-from-allow-list", serveArgs.downloadFromAllowList,
                    "the URLs downloadFrom may fetch: a regular expression matched against the whole URL, each "
                    "redirect's too (without it, downloadFrom is refused)");
  serve->add_option("--max-downloads", serveArgs.maxDownloads, "the most URLs one request's downloadFrom may name")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();

  bool library = false;
  CLI::App* formats = app.add_subcommand("formats", "list the format names and their numbers");
  formats->add_flag("--library", library, "also print the library's own format tables (starts Word)");

  std::string fieldName;
  CLI::App* field = app.add_subcommand("field", "print a field of the library (softwarename, sourceformatlist ...)");
  field->add_option("NAME", fieldName, "the field's name")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kOk : kUsage;
  }
  if (*convert || (*folder && folderArgs.jobs <= 1)) {
    try {
      UseLingeringOffice(KeepOfficeSeconds(keepOffice));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "quillet: %s\n", e.what());
      return kUsage;
    }
  }
  if (*convert) return RunConvert(src, dest, convertAsk);
  if (*folder) return RunFolder(folderArgs);
  if (*office) return RunOffice(action, instances);
  if (*serve) return RunServe(serveArgs);
  if (*formats) return RunFormats(library);
  if (*field) return RunField(fieldName);
  return kUsage;
}
