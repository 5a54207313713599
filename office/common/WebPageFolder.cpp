#include "common/WebPageFolder.h"

#include <filesystem>
#include <fstream>

#include "automation/Failure.h"

namespace quillet::office {

std::string SupportFolder(const std::string& mainPage) {
  std::filesystem::path p(mainPage);
  p.replace_extension(".files");
  return p.string();
}

std::string MakeSupportFolder(const std::string& mainPage) {
  const std::string folder = SupportFolder(mainPage);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  std::filesystem::create_directories(folder, ec);
  if (ec) throw Failure("The folder could not be created: " + folder);
  return folder;
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
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
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void WriteTextFile(const std::string& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw Failure("The file could not be saved: " + file);
}

void WriteFileList(const std::string& folder, const std::string& mainPage, const std::vector<std::string>& pages) {
  const std::string main = std::filesystem::path(mainPage).filename().string();
  std::string xml = "<xml xmlns:o=\"urn:schemas-microsoft-com:office:office\">\r\n";
  xml += " <o:MainFile HRef=\"../" + HtmlEscape(main) + "\"/>\r\n";
  for (const std::string& page : pages) xml += " <o:File HRef=\"" + HtmlEscape(page) + "\"/>\r\n";
  xml += " <o:File HRef=\"filelist.xml\"/>\r\n</xml>\r\n";
  WriteTextFile((std::filesystem::path(folder) / "filelist.xml").string(), xml);
}

void WritePage(const std::string& file, const std::string& title, const std::vector<std::string>& body) {
  std::string page = "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n";
  page += "<title>" + HtmlEscape(title) + "</title>\r\n</head>\r\n<body>\r\n";
  for (const std::string& line : body) page += line + "\r\n";
  page += "</body>\r\n</html>\r\n";
  WriteTextFile(file, page);
}

}  // namespace quillet::office
