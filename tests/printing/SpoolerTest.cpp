// Wine's spooler changed by the tests: printers named as Windows names them
// ("Acrobat Distiller", "HP Color LaserJet 4600 PS") are added, bound to the
// tests' CUPS PostScript queue, and the queues of CUPS are removed for this
// program (they come back in the next one). The tests run in this order:
// the later ones remove the queues.
#include "PrintingFixture.h"
#include "documents/gsdlllib/PostScriptPrinter.h"
#include "platform/printer.h"

#include <windows.h>
#include <winspool.h>

namespace quillet::test {
namespace {

bool Listed(const std::string& name) {
  for (const std::string& p : os::InstalledPrinters())
    if (p == name) return true;
  return false;
}

// Printers of Wine's spooler, added for one test and removed after it. Each
// is bound to the PostScript queue, so its driver is Wine's PostScript driver.
class WindowsPrinters {
 public:
  ~WindowsPrinters() {
    for (const std::string& name : added_) Delete(name);
  }
  void Add(const std::string& name) {
    HANDLE source = nullptr;
    PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(::OpenPrinterA(const_cast<char*>("quillet_ps"), &source, &access));
    DWORD needed = 0;
    ::GetPrinterA(source, 2, nullptr, 0, &needed);
    std::vector<unsigned long long> buffer((needed + 7) / 8 + 1);
    ASSERT_TRUE(::GetPrinterA(source, 2, reinterpret_cast<BYTE*>(buffer.data()), buffer.size() * 8, &needed));
    ::ClosePrinter(source);
    auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
    info->pPrinterName = const_cast<char*>(name.c_str());
    info->pShareName = nullptr;
    HANDLE added = ::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(info));
    ASSERT_NE(added, nullptr) << name;
    ::ClosePrinter(added);
    added_.push_back(name);
    ASSERT_TRUE(Listed(name)) << name;
  }
  // Removes a printer from Wine's spooler for this process (a queue of CUPS
  // comes back in the next program).
  static void Delete(const std::string& name) {
    HANDLE h = nullptr;
    PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!::OpenPrinterA(const_cast<char*>(name.c_str()), &h, &access)) return;
    ::DeletePrinter(h);
    ::ClosePrinter(h);
  }

 private:
  std::vector<std::string> added_;
};

std::string Chosen() {
  std::string name;
  FindPostScriptPrinter(name);
  return name;
}

TEST(PrinterChoice, TheNamedHpPrinterWinsInLowerCaseBeforeAnyOther) {
  WindowsPrinters printers;
  printers.Add("Apple LaserWriter");
  printers.Add("HP Color LaserJet 4600 PS");
  EXPECT_EQ(Chosen(), "hp color laserjet 4600 ps");
}

TEST(PrinterChoice, TheAcrobatPrintersArePassedOverForALaterPostScriptPrinter) {
  WindowsPrinters printers;
  printers.Add("Acrobat Distiller");
  const std::vector<std::string> listed = os::InstalledPrinters();
  ASSERT_EQ(listed.front(), "Acrobat Distiller");
  // The first PostScript printer after it.
  EXPECT_EQ(Chosen(), listed[1]);
  EXPECT_NE(Chosen(), "Acrobat Distiller");
}

TEST(PrinterChoice, WithOnlyTheTwoAcrobatPrintersTheLastOneIsChosen) {
  WindowsPrinters printers;
  printers.Add("Acrobat PDFWriter");
  printers.Add("Acrobat Distiller");
  for (const std::string& name : os::InstalledPrinters())
    if (name.rfind("Acrobat ", 0) != 0) WindowsPrinters::Delete(name);
  EXPECT_EQ(os::InstalledPrinters(), (std::vector<std::string>{"Acrobat Distiller", "Acrobat PDFWriter"}));
  EXPECT_EQ(Chosen(), "Acrobat PDFWriter");
}

// No PostScript printer at all: a text saying so, and Word is never given
// an empty printer name.
using NoPrinter = PrintingTest;

TEST_F(NoPrinter, APdfConversionFailsWithAClearTextAndWordKeepsItsPrinter) {
  for (const std::string& name : os::InstalledPrinters()) WindowsPrinters::Delete(name);
  ASSERT_EQ(os::InstalledPrinters(), std::vector<std::string>{});
  EXPECT_EQ(ToPdf("MS Word", Src("a.doc"), dir / "a.pdf"),
            "No PostScript printer is installed: PDF output prints the document through a printer with a "
            "PostScript driver first");
  EXPECT_EQ(CallsWith(App::Word, "ActivePrinter"), Lines{});
  // The document is closed and Word's alerts are back on.
  EXPECT_EQ(CallsFrom(App::Word, "Close method"),
            (Lines{"Word.Document(a.doc).Close method SaveChanges:=0", "Word.DisplayAlerts put True"}));
  EXPECT_EQ(conv.PostScriptPrinter(), "");
  EXPECT_TRUE(NoTemporaryFile(".ps"));
}

}  // namespace
}  // namespace quillet::test
