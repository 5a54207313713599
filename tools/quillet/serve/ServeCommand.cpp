// quillet serve, the command: its options read, the warnings of a server
// that is open to more than it should be, the server started, and stopped on
// SIGTERM or SIGINT with a drain for the requests in progress.
#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "Commands.h"
#include "Serve.h"
#include "Server.h"
#include "uno/Launcher.h"

namespace quillet::cli {

namespace serve {
namespace {

// "100M", "20k", "1G", "5000" bytes.
uint64_t ParseSize(const std::string& option, const std::string& text) {
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || value == 0) throw std::invalid_argument(option + ": not a size: " + text);
  const std::string unit = std::string(end, text.data() + text.size());
  int shift = -1;
  if (unit.empty() || unit == "B") shift = 0;
  if (unit == "k" || unit == "K" || unit == "KB") shift = 10;
  if (unit == "M" || unit == "MB") shift = 20;
  if (unit == "G" || unit == "GB") shift = 30;
  if (shift < 0 || value > (uint64_t(1) << 50) >> shift) throw std::invalid_argument(option + ": not a size: " + text);
  return value << shift;
}

bool Loopback(const std::string& host) { return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0; }

}  // namespace
}  // namespace serve

int RunServe(const ServeArgs& args) {
  using namespace serve;
  std::string host;
  int port = -1;
  Settings settings;
  PoolSettings pool;
  try {
    const size_t colon = args.listen.rfind(':');
    if (colon == std::string::npos) throw std::invalid_argument("--listen: ADDR:PORT, e.g. 127.0.0.1:8080");
    host = args.listen.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const std::string portText = args.listen.substr(colon + 1);
    const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (host.empty() || ec != std::errc() || end != portText.data() + portText.size() || port < 0 || port > 65535)
      throw std::invalid_argument("--listen: ADDR:PORT, e.g. 127.0.0.1:8080");
    settings.maxUpload = ParseSize("--max-upload", args.maxUpload);
    pool.ceilings.memoryBytes = ParseSize("--max-office-memory", args.maxOfficeMemory);
    pool.ceilings.resultBytes = ParseSize("--max-result", args.maxResult);
    if (!args.authTokenFile.empty()) settings.token = Token::FromFile(args.authTokenFile);
    settings.webhooks.allow = AllowList("--webhook-allow-list", args.webhookAllowList);
    settings.downloads.allow = AllowList("--download-from-allow-list", args.downloadFromAllowList);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return kUsage;
  }

  // The offices' walls: operating-system isolation where the system allows it.
  std::string why;
  const bool isolated = args.sandbox != "off" && office::uno::OfficeIsolationWorks(why);
  if (args.sandbox == "on" && !isolated) {
    std::fprintf(stderr, "quillet: --sandbox on: the offices cannot be isolated: %s\n", why.c_str());
    return kUsage;
  }
  if (!isolated && args.sandbox != "off")
    std::fprintf(stderr,
                 "quillet serve: warning: the offices run without operating-system isolation (%s): only "
                 "LibreOffice's own settings keep them from the network and from other files; deny the "
                 "server's egress in the network (the Kubernetes manifests carry a NetworkPolicy)\n",
                 why.c_str());
  if (!settings.token.required() && !Loopback(host))
    std::fprintf(stderr,
                 "quillet serve: warning: listening on %s without --auth-token-file: anyone who can reach this "
                 "port can convert documents\n",
                 host.c_str());

  pool.workers = args.workers ? args.workers : std::max(1u, std::thread::hardware_concurrency());
  pool.maxQueue = args.maxQueue ? args.maxQueue : 4 * pool.workers;
  pool.setup = WorkerSetup{true, true, isolated};
  pool.probeEvery = std::chrono::seconds(args.probeEvery);
  if (const char* recycle = std::getenv("QUILLET_OFFICE_RECYCLE_DOCUMENTS"); recycle && std::atol(recycle) > 0)
    pool.recycleAfter = std::atol(recycle);
  settings.form.bytes = settings.maxUpload;
  settings.form.files = args.maxFiles;
  settings.webhooks.maxRetry = args.webhookMaxRetry;
  settings.webhooks.minWait = std::chrono::seconds(args.webhookRetryMinWait);
  settings.webhooks.maxWait = std::chrono::seconds(std::max(args.webhookRetryMaxWait, args.webhookRetryMinWait));
  settings.webhooks.attempt = std::chrono::seconds(args.webhookClientTimeout);
  settings.webhooks.mostPending = args.maxWebhookJobs;
  settings.downloads.mostUrls = args.maxDownloads;
  // The downloads are part of the request's sending.
  settings.downloads.inAll = std::chrono::seconds(args.readTimeout);
  // The PDF work's child: the offices' memory ceiling as its address space; a
  // merge holds every file of the request open at once.
  settings.pdfJobs.memoryBytes = pool.ceilings.memoryBytes;
  settings.pdfJobs.outputBytes = pool.ceilings.resultBytes;
  settings.pdfJobs.files = static_cast<int>(std::min<size_t>(args.maxFiles + args.maxDownloads + 16, 1u << 16));
  EdgeLimits edge;
  edge.maxConnections = args.maxConnections;
  edge.request = std::chrono::seconds(args.readTimeout);
  edge.headers = std::min(edge.headers, edge.request);
  // The body with its framing (chunk sizes, part headers) and the headers.
  edge.maxRequestBytes = 2 * settings.maxUpload + (1u << 20);

  // The requests' folders and the workers' folders (with their offices'
  // pipes), all in one private folder.
  const char* given = std::getenv("TMPDIR");
  settings.base = std::string(given && *given ? given : "/tmp") + "/quillet-serve-XXXXXX";
  if (!::mkdtemp(settings.base.data())) {
    std::fprintf(stderr, "quillet: no private folder can be made in %s\n", given && *given ? given : "/tmp");
    return kUsage;
  }
  ::setenv("TMPDIR", settings.base.c_str(), 1);

  // SIGTERM and SIGINT are taken by this thread alone, with sigwait.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  ::pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  int status = kOk;
  {
    Server server(args, settings, pool, edge);
    const int bound = server.Bind(host, port);
    if (bound < 0) {
      std::fprintf(stderr, "quillet: cannot listen on %s\n", args.listen.c_str());
      status = kUsage;
    } else {
      server.StartPool();
      const std::string shown = host.find(':') == std::string::npos ? host : "[" + host + "]";
      std::printf("quillet serve: listening on %s:%d with %zu workers\n", shown.c_str(), bound, pool.workers);
      std::fflush(stdout);
      std::thread listener([&] { server.Listen(); });
      int sig = 0;
      while (::sigwait(&stop, &sig) != 0) {
      }
      std::fprintf(stderr, "quillet serve: stopping (signal %d)\n", sig);
      server.Close();
      // Requests in progress get the drain timeout; then their workers are ended.
      std::mutex m;
      std::condition_variable drained;
      bool done = false;
      std::thread drain([&] {
        std::unique_lock lock(m);
        if (!drained.wait_for(lock, std::chrono::seconds(args.drainTimeout), [&] { return done; }))
          server.KillWorkers();
      });
      listener.join();
      // The conversions answered by webhook end within the drain too.
      server.WaitWebhooks();
      {
        std::lock_guard lock(m);
        done = true;
      }
      drained.notify_all();
      drain.join();
      // Each worker gives its office back, and is waited for.
      server.StopPool();
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(settings.base, ec);
  return status;
}

}  // namespace quillet::cli
