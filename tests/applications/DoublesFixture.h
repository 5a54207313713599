// A fixture for the tests of the doubles themselves: the doubles registered,
// a folder for source and destination files, and a document opened in one of
// the applications through the call layer.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DoubleControl.h"
#include "TestSupport.h"
#include "engine/OfficeConvert.h"
#include "utilities/automation/Automation.h"

namespace quillet::test {

class DoublesFixture : public ::testing::Test {
 protected:
  using App = doubles::App;
  using Lines = std::vector<std::string>;

  // App's application object, started on first use.
  ole::Variant Application(App app) {
    ole::Variant& held = apps_[static_cast<int>(app)];
    if (!held.IsObject()) {
      static const char* const progIds[] = {"Word.Application", "Excel.Application", "PowerPoint.Application"};
      bool created = false;
      held = AttachOrCreateOleObject(progIds[static_cast<int>(app)], created);
    }
    return held;
  }

  // Writes a source file Name into the folder and opens it in App.
  ole::Variant Open(App app, const std::string& name) {
    static const char* const collections[] = {"Documents", "Workbooks", "Presentations"};
    test::WriteFile(files / name, "x");
    return Application(app).CallOrGet(collections[static_cast<int>(app)]).Call("Open", {files / name});
  }

  // The lines of a file written with CR LF line ends.
  static Lines LinesOf(const std::string& file) {
    Lines lines;
    const std::string text = ReadFile(file);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  doubles::Doubles d;
  TempDir files;

 private:
  ole::Variant apps_[3];  // released before the doubles are
};

}  // namespace quillet::test
