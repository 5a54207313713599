// quillet folder SRC DEST: every document of a folder, in this process or in
// worker processes, with progress, a report and JSON Lines records.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "Commands.h"
#include "FolderWalk.h"
#include "Library.h"
#include "LingeringOffice.h"
#include "Progress.h"
#include "Records.h"
#include "SharedOffice.h"
#include "Workers.h"

namespace quillet::cli {

namespace {

// The default format of a folder run: the text of every document.
constexpr const char* kDefaultFormat = "txt";

struct Planned {
  Request request;
  std::string error;  // set when the file cannot be asked for (its application lacks the format)
};

std::vector<Planned> Plan(const std::vector<FolderFile>& files, const FolderArgs& args) {
  Ask ask = args.ask;
  if (ask.format.empty()) ask.format = kDefaultFormat;
  std::vector<Planned> plan;
  for (const FolderFile& f : files) {
    Planned p;
    p.request.source = f.source;
    try {
      const App app = ChooseApp(f.source, ask);
      const Destination d = ResolveFormat(ask.format, app);
      if (d.extension.empty())
        throw std::invalid_argument("no extension is known for format " + ask.format + " of " + AppName(app) +
                                    ": give the format by name");
      p.request = {f.source, DestinationOf(f, args.dest, d.extension), std::to_string(d.format), OptionFor(app, ask)};
    } catch (const std::invalid_argument& e) {
      p.error = e.what();
      p.request.destination = DestinationOf(f, args.dest, "");
    }
    plan.push_back(std::move(p));
  }
  return plan;
}

}  // namespace

int RunFolder(const FolderArgs& args) {
  std::vector<Planned> plan;
  std::unique_ptr<JsonLines> json;
  try {
    plan = Plan(FindFiles(args.src, args.recurse, args.dest), args);
    std::filesystem::create_directories(args.dest);
    // The library converts into folders that exist; a subfolder that cannot
    // be made is that file's failure, reported by the library.
    std::error_code ec;
    for (const Planned& p : plan)
      std::filesystem::create_directories(std::filesystem::path(p.request.destination).parent_path(), ec);
    if (!args.json.empty()) json = std::make_unique<JsonLines>(args.json);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return kUsage;
  }
  // A file whose application lacks the format is known before any work; so
  // is every file of a run where none can be asked for (a wrong --format).
  size_t askable = 0;
  for (const Planned& p : plan) askable += p.error.empty();
  if (!plan.empty() && askable == 0) {
    std::fprintf(stderr, "quillet: %s\n", plan.front().error.c_str());
    return kUsage;
  }

  std::FILE* out = args.json == "-" ? stderr : stdout;
  Progress progress(out, ::isatty(::fileno(out)) != 0, plan.size());
  Report report;
  size_t failed = 0;
  auto finish = [&](const FileResult& result) {
    failed += !result.outcome.ok;
    report.Add(result);
    if (json) json->Add(result);
    progress.Finished(result);
  };

  std::vector<Request> work;
  for (size_t i = 0; i < plan.size(); ++i) {
    if (plan[i].error.empty()) {
      work.push_back(plan[i].request);
    } else {
      finish({plan[i].request, Outcome{false, plan[i].error, 0}});
    }
  }
  if (args.jobs <= 1) {
    for (const Request& r : work) {
      progress.Started(r.source);
      const Outcome outcome = Convert(r);
      // (A lingering office that failed is ended: the library starts one of
      // its own for the next file.)
      if (outcome.failure == Failure::Deadline || outcome.failure == Failure::OfficeEnded) DropLingeringOffice();
      if (outcome.ok) CountLingeringDocument();
      finish({r, outcome});
    }
  } else {
    try {
      // Warm shared offices ("office start --instances N"), one for each
      // worker, spare the workers an office start each. Fewer are left to
      // one-shot conversions: the workers start their own.
      const size_t workers = std::min(args.jobs, work.size());
      std::vector<std::string> warm = WarmInstances(WellKnownPipe(), workers);
      if (warm.size() < workers) warm.clear();
      RunInWorkers(
          work, args.jobs, [&](size_t i) { progress.Started(work[i].source); },
          [&](size_t i, const Outcome& o) {
            finish({work[i], o});
          },
          warm);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "quillet: %s\n", e.what());
      return kUsage;
    }
  }
  progress.Done(failed);

  if (!args.report.empty()) {
    try {
      report.Save(args.report);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "quillet: %s\n", e.what());
      return kUsage;
    }
  }
  return failed ? kFailed : kOk;
}

}  // namespace quillet::cli
