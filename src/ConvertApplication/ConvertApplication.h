// TConvertApplication: the automation class ConvertApplication (ProgID
// "quillet.ConvertApplication"). It holds no conversion state of its own:
// every instance forwards to the library's one converter, ConvertEngine.
#pragma once

#include "ConvertApplication/ASPObject.h"

namespace quillet::comserver {

class TConvertApplication final : public TASPObject {
 public:
  using TASPObject::TASPObject;

  // Converts the files of a folder that match a pattern (ConvertFolderContents)
  // and hands back the report as a new BSTR: one line per file that failed,
  // empty when every file converted. No report file is written. A run that
  // cannot go on (the applications could not be asked for their formats, say)
  // fails with its message as the error description and leaves *result null.
  HRESULT STDMETHODCALLTYPE ConvertFolder(BSTR sSrcFilePath, BSTR sDestFilePath, BSTR sDestFileFormat,
                                          LONG iIsSubFolder, BSTR sOption, BSTR* result) override;
};

// A new object with one reference, for the class factory. Raises
// std::bad_alloc when there is no memory for it.
IUnknown* CreateConvertApplication(const DualTypeInfo& typeInfo);

}  // namespace quillet::comserver
