// The PostScript printer choice on a real spooler: the tests' CUPS server
// with a PostScript queue (quillet_ps) and one that is no PostScript device
// (quillet_pdf). Linux asks CUPS itself; under Wine the spooler is Wine's,
// which lists the CUPS queues, and the escapes go through Wine's GDI and its
// PostScript driver. The printers named as Windows names them ("Acrobat
// Distiller", "HP Color LaserJet 4600 PS") are added to Wine's spooler by the
// tests, bound to the PostScript queue.
#include <cstdlib>

#include "PrintingFixture.h"
#include "documents/gsdlllib/PostScriptPrinter.h"
#include "platform/printer.h"
#include "procedures/PrintWait.h"

#ifdef _WIN32
#include <windows.h>
#include <winspool.h>
#endif

namespace quillet::test {
namespace {

bool Listed(const std::string& name) {
  for (const std::string& p : os::InstalledPrinters())
    if (p == name) return true;
  return false;
}

TEST(PrinterChoice, TheSpoolerListsTheTestQueuesAndTheirDriversAnswerTheEscapes) {
  ASSERT_TRUE(Listed("quillet_ps"));
  ASSERT_TRUE(Listed("quillet_pdf"));
  const os::PrinterContext ps("quillet_ps");
  ASSERT_TRUE(ps.IsOpen());
  EXPECT_TRUE(IsPostScriptPrinter(ps));
  // A printer that cannot be opened is no PostScript printer.
  const os::PrinterContext missing("no such printer");
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_FALSE(IsPostScriptPrinter(missing));
  const os::Printer queue("quillet_ps");
  ASSERT_TRUE(queue.IsOpen());
  int jobs = -1;
  std::string message;
  ASSERT_TRUE(os::QueryPrinterJobCount(queue, jobs, message)) << message;
  EXPECT_EQ(jobs, 0);
}

#ifndef _WIN32

TEST(PrinterChoice, LinuxChoosesTheOfficesOwnQueueFirst) {
  const std::vector<std::string> printers = os::InstalledPrinters();
  ASSERT_FALSE(printers.empty());
  EXPECT_EQ(printers.front(), os::kOfficePostScriptQueue);
  EXPECT_TRUE(IsPostScriptPrinter(os::PrinterContext(os::kOfficePostScriptQueue)));
  // A queue whose driver sends jobs through a filter is no PostScript device.
  const os::PrinterContext pdf("quillet_pdf");
  ASSERT_TRUE(pdf.IsOpen());
  EXPECT_FALSE(IsPostScriptPrinter(pdf));
  std::string chosen;
  FindPostScriptPrinter(chosen);
  EXPECT_EQ(chosen, os::kOfficePostScriptQueue);
}

TEST(PrinterChoice, AQueueThatKeepsItsJobsEndsTheWaitAtTheBound) {
  const std::string job = std::string("lp -d quillet_ps -H hold /etc/hostname >/dev/null 2>&1");
  ASSERT_EQ(std::system(job.c_str()), 0);
  TPrintWaits waits{1000, 300, 20, 0};
  const Status held = WaitForPrinterQueue("quillet_ps", waits);
  EXPECT_FALSE(held.ok());
  EXPECT_EQ(held.message(), "The print queue of \"quillet_ps\" still holds 1 job after 300 ms");
  ASSERT_EQ(std::system("cancel -a quillet_ps >/dev/null 2>&1"), 0);
  EXPECT_TRUE(WaitForPrinterQueue("quillet_ps", waits).ok());
  // The office's own queue never holds jobs.
  EXPECT_TRUE(WaitForPrinterQueue(os::kOfficePostScriptQueue, waits).ok());
}

#endif

}  // namespace
}  // namespace quillet::test
