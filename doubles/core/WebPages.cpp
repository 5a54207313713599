#include "WebPages.h"

#include "Files.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace quillet::doubles {

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\r':
        out += "<br>";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::string TablePage(const std::string& title, const std::vector<std::string>& texts) {
  std::string page =
      "<html>\r\n"
      "<head>\r\n"
      "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">\r\n"
      "<title>" +
      Escaped(title) +
      "</title>\r\n"
      "</head>\r\n"
      "<body>\r\n"
      "<table border=0 cellpadding=0 cellspacing=0>\r\n";
  for (const std::string& text : texts) page += " <tr>\r\n  <td>" + Escaped(text) + "</td>\r\n </tr>\r\n";
  page +=
      "</table>\r\n"
      "</body>\r\n"
      "</html>\r\n";
  return page;
}

void WriteWebLayout(const std::string& dest, const std::vector<std::pair<std::string, std::string>>& files) {
  const std::string destName = path::ExtractFileName(dest);
  const std::string folderName = path::ExtractFileName(path::ChangeFileExt(dest, ".files"));
  const std::string folder = path::ChangeFileExt(dest, ".files");
  os::ForceDirectories(folder);

  std::string list = "<xml xmlns:o=\"urn:schemas-microsoft-com:office:office\">\r\n";
  list += " <o:MainFile HRef=\"../" + destName + "\"/>\r\n";
  for (const auto& [name, content] : files) {
    list += " <o:File HRef=\"" + name + "\"/>\r\n";
    WriteWholeFile(path::IncludeTrailingDelimiter(folder) + name, content);
  }
  list += "</xml>\r\n";
  WriteWholeFile(path::IncludeTrailingDelimiter(folder) + "filelist.xml", list);

  std::string frames;
  for (const auto& [name, content] : files)
    if (path::ExtractFileExt(name) == ".htm") frames += " <frame src=\"" + folderName + "/" + name + "\">\r\n";
  WriteWholeFile(dest,
                 "<html>\r\n"
                 "<head>\r\n"
                 "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">\r\n"
                 "<title>" +
                     Escaped(path::ChangeFileExt(destName, "")) +
                     "</title>\r\n"
                     "</head>\r\n"
                     "<frameset>\r\n" +
                     frames +
                     "</frameset>\r\n"
                     "</html>\r\n");
}

}  // namespace quillet::doubles
