// The doubles' control under Linux: the doubles are servers of the
// automation registry, made by the doubles' shared object in this process.
#include "DoubleHost.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/com/ComPtr.h"

namespace quillet::doubles {

namespace fs = std::filesystem;

namespace {

CLSID Clsid(App app) {
  CLSID c{};
  ::CLSIDFromString(com::ToOle(ClsidText(app)).c_str(), &c);
  return c;
}

// Writes the automation registry: a line per ProgID naming the class, the
// factory function and the library that holds it.
void WriteRegistry(const std::string& file, const std::map<std::string, App>& registered) {
  std::ofstream out(file, std::ios::trunc);
  out << "# written by the test's double control\n";
  for (const auto& [progId, app] : registered)
    out << progId << " " << ClsidText(app) << " " << Name(app) << "GetClassObject " << QUILLET_OFFICE_DOUBLES_LIB
        << "\n";
}

}  // namespace

void SetEnv(const char* name, const std::string& value) {
  if (value.empty())
    ::unsetenv(name);
  else
    ::setenv(name, value.c_str(), 1);
}

struct DoubleHost::System {
  std::string registryFile;
  void* library = nullptr;
  std::map<int, DWORD> running;  // cookies
};

DoubleHost::DoubleHost(const test::TempDir& dir) : dir_(dir), system_(std::make_unique<System>()) {
  system_->registryFile = dir_ / "automation-servers";
  SetEnv("QUILLET_AUTOMATION_REGISTRY", system_->registryFile);
  system_->library = ::dlopen(QUILLET_OFFICE_DOUBLES_LIB, RTLD_NOW | RTLD_LOCAL);
  if (!system_->library) throw std::runtime_error("cannot load the office doubles");
}

DoubleHost::~DoubleHost() {
  SetEnv("QUILLET_AUTOMATION_REGISTRY", "");
  // The library stays loaded: the server registry keeps it loaded as well.
}

void DoubleHost::Register(const std::string& progId, App app) {
  registered_[progId] = app;
  WriteRegistry(system_->registryFile, registered_);
}

void DoubleHost::Unregister(const std::string& progId) {
  registered_.erase(progId);
  WriteRegistry(system_->registryFile, registered_);
}

void DoubleHost::StartRunning(App app) {
  using CreateFn = IDispatch* (*)(int);
  auto create = reinterpret_cast<CreateFn>(::dlsym(system_->library, "CreateRunningApplication"));
  com::ComPtr<IDispatch> object = com::ComPtr<IDispatch>::Adopt(create(int(app)));
  DWORD cookie = 0;
  ::RegisterActiveObject(object.get(), Clsid(app), ACTIVEOBJECT_STRONG, &cookie);
  system_->running[int(app)] = cookie;
}

void DoubleHost::StopRunning(App app) {
  auto it = system_->running.find(int(app));
  if (it == system_->running.end()) return;
  ::RevokeActiveObject(it->second, nullptr);
  system_->running.erase(it);
}

// The doubles live in this process: no server process to wait for.
bool DoubleHost::WaitForServersToExit(int) { return true; }

void DoubleHost::KillServers(App app) {
  using KillFn = void (*)(int);
  reinterpret_cast<KillFn>(::dlsym(system_->library, "KillApplication"))(int(app));
}

// Nothing to install: the bridge's registration is all Acrobat needs here.
void DoubleHost::InstallAcrobat() {}

std::string DoubleHost::AcrobatFolder(const std::string&) const { return {}; }

void DoubleHost::RegisterPlugKit() { Register(kPlugKitProgId, App::Acrobat); }

void DoubleHost::UnregisterPlugKit() { Unregister(kPlugKitProgId); }

void DoubleHost::StartAcrobat() { throw std::logic_error("there is no Acrobat program on Linux"); }

void DoubleHost::EndAcrobat(const std::vector<unsigned long>&) {}

void DoubleHost::UninstallAcrobat() {}

void DoubleHost::EndStrayDoubles(const char*) {}

// The converter uses the system's own Ghostscript.
void UseGhostscriptDouble() {}

void UseFormatBridge(const std::string& variant) {
  // The test program searches its slot folder for plain library names; the
  // chosen variant is put there (replaced by rename, so that a copy that is
  // still mapped stays intact).
  const fs::path slot = fs::path(QUILLET_FMTBRIDGE_SLOT_DIR) / "libfmtbridge.so";
  fs::create_directories(slot.parent_path());
  if (variant == "none") {
    fs::remove(slot);
    return;
  }
  const fs::path source = fs::path(QUILLET_FMTBRIDGE_VARIANTS_DIR) / variant / "libfmtbridge.so";
  const fs::path temp = slot.string() + ".new";
  fs::copy_file(source, temp, fs::copy_options::overwrite_existing);
  fs::rename(temp, slot);
}

}  // namespace quillet::doubles
