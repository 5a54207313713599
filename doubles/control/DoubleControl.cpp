#include "DoubleControl.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "DoubleHost.h"
#include "TestSupport.h"

namespace quillet::doubles {

const char* Name(App app) {
  switch (app) {
    case App::Word:
      return "Word";
    case App::Excel:
      return "Excel";
    case App::PowerPoint:
      return "PowerPoint";
    case App::Acrobat:
      return "Acrobat";
    case App::PdfMaker:
      return "PdfMaker";
    case App::PdfDocument:
      return "PdfDocument";
    case App::Ghostscript:
      return "Ghostscript";
    case App::InternetExplorer:
      return "InternetExplorer";
  }
  return "?";
}

// As in doubles/core/Office.cpp.
const char* ClsidText(App app) {
  switch (app) {
    case App::Word:
      return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7701}";
    case App::Excel:
      return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7702}";
    case App::PowerPoint:
      return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7703}";
    case App::Acrobat:
      return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7710}";  // the bridge (doubles/core/PlugKit.cpp)
    case App::PdfMaker:
      return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7704}";
    case App::PdfDocument:
      return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7705}";
    case App::Ghostscript:
      return "";
    case App::InternetExplorer:
      return "{6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7707}";
  }
  return "";
}

std::vector<std::string> ReadLines(const std::string& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

struct Doubles::State {
  test::TempDir dir;
  std::unique_ptr<DoubleHost> host;
};

Doubles::Doubles() : state_(std::make_unique<State>()) {
  SetEnv("QUILLET_DOUBLES_DIR", state_->dir.path());
  state_->host = std::make_unique<DoubleHost>(state_->dir);
  Register("Word.Application", App::Word);
  Register("Excel.Application", App::Excel);
  Register("PowerPoint.Application", App::PowerPoint);
  Register("PdfDistiller.PdfDistiller", App::PdfMaker);
  Register("AcroExch.PDDoc", App::PdfDocument);
}

Doubles::~Doubles() {
  EndAcrobat();
  state_->host->UninstallAcrobat();
  for (App app : kServed) StopRunning(app);
  WaitForServersToExit();
  state_->host->EndStrayDoubles("a double was still running when its test ended");
  while (!state_->host->registered().empty()) {
    const std::string progId = state_->host->registered().begin()->first;  // a copy: the entry goes
    Unregister(progId);
  }
  SetEnv("QUILLET_DOUBLES_DIR", "");
  state_->host.reset();
}

const std::string& Doubles::dir() const { return state_->dir.path(); }

void Doubles::Script(App app, const std::string& text) {
  test::WriteFile(state_->dir / (std::string(Name(app)) + ".script"), text);
}

void Doubles::Register(const std::string& progId, App app) { state_->host->Register(progId, app); }

void Doubles::Unregister(const std::string& progId) { state_->host->Unregister(progId); }

std::vector<std::string> Doubles::Events(App app) const {
  return ReadLines(state_->dir / (std::string(Name(app)) + ".transcript"));
}

std::vector<std::string> Doubles::Calls(App app) const {
  std::vector<std::string> calls;
  for (const std::string& line : Events(app))
    if (line.rfind("call ", 0) == 0) calls.push_back(line.substr(5));
  return calls;
}

std::vector<std::string> Doubles::LiveObjects(App app) const {
  std::vector<std::string> live;
  for (const std::string& line : Events(app)) {
    if (line.rfind("new ", 0) == 0) {
      live.push_back(line.substr(4));
    } else if (line.rfind("del ", 0) == 0) {
      for (auto it = live.begin(); it != live.end(); ++it) {
        if (*it == line.substr(4)) {
          live.erase(it);
          break;
        }
      }
    }
  }
  return live;
}

void Doubles::StartRunning(App app) {
  StopRunning(app);
  state_->host->StartRunning(app);
}

void Doubles::StopRunning(App app) { state_->host->StopRunning(app); }

bool Doubles::WaitForServersToExit(int timeoutMs) { return state_->host->WaitForServersToExit(timeoutMs); }

void Doubles::KillServers(App app) { state_->host->KillServers(app); }

void Doubles::InstallAcrobat() { state_->host->InstallAcrobat(); }

std::string Doubles::AcrobatFolder(const std::string& flavour) const { return state_->host->AcrobatFolder(flavour); }

void Doubles::RegisterPlugKit() { state_->host->RegisterPlugKit(); }

void Doubles::UnregisterPlugKit() { state_->host->UnregisterPlugKit(); }

void Doubles::StartAcrobat() {
  state_->host->StartAcrobat();
  for (int i = 0; i < 2000; ++i) {
    const auto events = Events(App::Acrobat);
    if (std::find(events.begin(), events.end(), "acrobat ready") != events.end()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("the Acrobat double did not get ready");
}

void Doubles::EndAcrobat() { state_->host->EndAcrobat(AcrobatProcesses()); }

std::vector<unsigned long> Doubles::AcrobatProcesses() const {
  std::vector<unsigned long> pids;
  for (const std::string& line : ReadLines(state_->dir / "Acrobat.pids"))
    if (!line.empty()) pids.push_back(std::strtoul(line.c_str(), nullptr, 10));
  return pids;
}

}  // namespace quillet::doubles
