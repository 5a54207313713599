// A document saved as a web page the way the office applications lay it out:
// the main page at Dest (a frameset of the pages), and the
// supporting folder <Dest without its extension>.files holding filelist.xml
// and the pages and files it lists.
//
// filelist.xml:
//   <xml xmlns:o="urn:schemas-microsoft-com:office:office">
//    <o:MainFile HRef="../<file name of Dest>"/>
//    <o:File HRef="<file>"/>            one per supporting file, in order
//   </xml>
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillet::doubles {

// A small page: a head with a meta line and Title, and a body holding one
// table with a row per text (HTML-escaped; a CR becomes a line break tag).
std::string TablePage(const std::string& title, const std::vector<std::string>& texts);

// Writes the layout for the supporting files given as (file name, content).
// Raises Error when a folder or file cannot be written.
void WriteWebLayout(const std::string& dest, const std::vector<std::pair<std::string, std::string>>& files);

}  // namespace quillet::doubles
