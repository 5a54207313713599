// Stripping the image tags out of a saved web page's text.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

// The text without its img and v:imagedata tags, exactly as walking it with
// THtmlParser and removing each tag whose name, lower-cased and trimmed of
// blanks and control characters, is "img" or "v:imagedata" would leave it.
// Closing tags (/v:imagedata) and all other text stay. One pass over the text.
std::string StripImageTags(std::string_view text);

}  // namespace quillet
