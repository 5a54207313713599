// The plug-in bridge of the Linux build, "plugkit.PKApplication": Acrobat's
// part done by poppler, in the caller's process.
//   IsPlug_insLoadOk            1: the converter is always there
//   ConvertFile(SrcFile, DestFile, Option, ErrorText)
//                               writes the text of the PDF SrcFile into
//                               DestFile, delimited as Option asks
//                               (DelimitedText.h); ErrorText, a text passed by
//                               reference, gets the answer: empty on success,
//                               else why nothing was written.
#pragma once

#include "platform/com/com.h"

namespace quillet::plugkit {

// A new PKApplication with one reference for the caller.
IDispatch* NewPlugKitApplication();

}  // namespace quillet::plugkit
