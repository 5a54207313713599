// The PDF stage in process, against the application doubles and the doubles
// of the PDF software: each test has its own converter, its own temporary
// folder (so the PostScript files of two programs never meet) and short
// printing waits.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DoubleControl.h"
#include "TestSupport.h"
#include "engine/OfficeConvert.h"

namespace quillet::test {

using Lines = std::vector<std::string>;
using doubles::App;

// Sets an environment variable for its life and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

class PrintingTest : public ::testing::Test {
 protected:
  PrintingTest();

  // A source file of the test folder.
  std::string Src(const std::string& name);
  // Starts AppName and converts Src to Dest (files of the test folder) with
  // format "-1"; the error text.
  // With: another converter than the test's own (one made after a script
  // change, whose applications read the new script).
  std::string ToPdf(const std::string& appName, const std::string& src, const std::string& dest,
                    const std::string& option = "", TOfficeConvertClass* with = nullptr);
  // The calls App received from the first that contains Marker on.
  Lines CallsFrom(App app, const std::string& marker) const;
  Lines CallsWith(App app, const std::string& part) const;
  // The printer the converter chooses on this machine.
  static std::string ChosenPrinter();
  // No file of the temporary folder ends with Ext.
  bool NoTemporaryFile(const std::string& ext) const;

  doubles::Doubles d;
  TempDir dir;
  TempDir temp;
  ScopedEnv tmpdir{"TMPDIR", temp.path()};
  ScopedEnv tmp{"TMP", temp.path()};
  ScopedEnv tempVar{"TEMP", temp.path()};
  TOfficeConvertClass conv;
};

bool StartsWith(const std::string& text, const std::string& prefix);

}  // namespace quillet::test
