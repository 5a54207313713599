// Stripping the image tags out of a saved web page's text.
#pragma once

#include <string>

namespace quillet {

// Removes the img and v:imagedata tags from Text, exactly as walking it with
// THtmlParser and removing each tag whose name, lower-cased and trimmed of
// blanks and control characters, is "img" or "v:imagedata" would. Closing tags
// (/v:imagedata) and all other text stay. One pass, in place.
void StripImageTags(std::string& text);

}  // namespace quillet
