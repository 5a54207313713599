// Conversions through the built library's C entry points, the way a program
// uses it, against the application doubles (COM local servers under Wine,
// in-process servers on Linux). Each test loads the library afresh, so every
// test starts with a new converter and new applications; the library is
// unloaded (and the applications given back) before the doubles go.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DoubleControl.h"
#include "QuilletLibrary.h"
#include "TestSupport.h"

namespace quillet::test {

using Lines = std::vector<std::string>;
using doubles::App;

class ConversionTest : public ::testing::Test {
 protected:
  // A file of the test folder with some content; returns its path.
  std::string File(const std::string& name, const std::string& content = "content\r\n") const;
  // The calls App received, from its first call on.
  Lines Calls(App app) const { return d.Calls(app); }
  // The calls App received from the first one that contains Marker on.
  Lines CallsFrom(App app, const std::string& marker) const;
  // Calls that contain Part.
  Lines CallsWith(App app, const std::string& part) const;

  doubles::Doubles d;
  TempDir dir;
  QuilletLibrary lib{QUILLET_LIBRARY};
};

// The lines of a report (CR LF between lines, none after the last).
Lines ReportLines(const std::string& report);

// True when Line is "hh:nn:ss" + Rest.
bool IsTimeStamped(const std::string& line, const std::string& rest);

}  // namespace quillet::test
