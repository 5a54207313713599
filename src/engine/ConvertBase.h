// The abstract converter: the interface every conversion goes through, the two
// format tables, and the checks of a single-file request made before any
// application is touched.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/formatlib/FormatTable.h"
#include "platform/status.h"

namespace quillet {

class TConvertBaseClass {
 public:
  // Creates the two empty format tables.
  TConvertBaseClass();
  // Releases the format tables (through this class's CloseApplications; a
  // subclass that holds more closes it in its own destructor first).
  virtual ~TConvertBaseClass();

  TConvertBaseClass(const TConvertBaseClass&) = delete;
  TConvertBaseClass& operator=(const TConvertBaseClass&) = delete;

  // The operations. Errors come back as text in the out parameter; an empty
  // error text means success. (These out parameters are the operations'
  // contract with their callers; inside, outcomes travel as Status.) (The slots that nothing ever called, the
  // reserved ones and the always empty support report, are gone.)

  // Makes the named application ready. The base class has none.
  virtual bool StartApplication(const std::string& appName, std::string& errorText);
  // Releases both format tables; a subclass closes its applications after that.
  virtual bool CloseApplications();
  // Converts one file. The base class validates the request only: its
  //    four texts are texts of the library (UTF-8, on Linux), the source
  //    exists, the destination's folder exists, and the destination is not
  //    the source file itself.
  virtual void ConvertDocument(const std::string& src, const std::string& dest, const std::string& destFormat,
                               const std::string& option, std::string& errorText);
  // Converts the matching files of a folder; the base class does nothing.
  virtual void ConvertFolderContents(const std::string& src, const std::string& dest, const std::string& destFormat,
                                     int32_t isSubFolder, const std::string& option, std::string& report);
  // Answers a named field; the base class answers none.
  virtual void GetField(const std::string& fieldName, const std::string& param, std::string& errorText,
                        std::string& value);

  // Read access for callers and tests; a released table reads as empty.
  const TFormatList& sourceFormats() const;
  const TFormatList& destFormats() const;

 protected:
  // The base class's checks of a request, as ConvertDocument makes them.
  static Status ValidateRequest(const std::string& src, const std::string& dest, const std::string& destFormat,
                                const std::string& option);

  // Fields, in declaration order. Owned; released by CloseApplications.
  std::unique_ptr<TFormatList> SourceFormats;
  std::unique_ptr<TFormatList> DestFormats;

  // Rebuilds empty tables when they were released, so that nothing after a
  // close reads a freed table.
  TFormatList& Sources();
  TFormatList& Dests();
};

}  // namespace quillet
