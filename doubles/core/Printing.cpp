#include "Printing.h"

#include <cstdio>
#include <vector>

#include "Files.h"

namespace quillet::doubles {

namespace {

// A PostScript string literal: backslash and parentheses escaped.
std::string PsString(const std::string& text) {
  std::string out = "(";
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out + ")";
}

}  // namespace

void WritePrint(const Script& script, const std::string& app, const std::string& source, const std::string& printer,
                bool landscape, const std::string& file) {
  switch (script.printOutput) {
    case Script::PrintOutput::None:
      return;
    case Script::PrintOutput::Broken:
      WriteWholeFile(file, "this is no PostScript\r\n");
      return;
    case Script::PrintOutput::PostScript:
      break;
  }
  const std::string size = landscape ? "[792 612]" : "[612 792]";
  WriteWholeFile(file,
                 "%!PS-Adobe-3.0\n"
                 "%%Title: " +
                     BaseName(source) +
                     "\n"
                     "%%Creator: " +
                     app + " on " + printer +
                     "\n"
                     "%%Pages: 1\n"
                     "%%EndComments\n"
                     "%%Page: 1 1\n"
                     "<< /PageSize " +
                     size +
                     " >> setpagedevice\n"
                     "/Helvetica findfont 20 scalefont setfont\n"
                     "72 500 moveto " +
                     PsString(app + " printed " + BaseName(source)) +
                     " show\n"
                     "showpage\n"
                     "%%EOF\n");
}

std::string SmallPdf(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') escaped += '\\';
    escaped += c;
  }
  const std::string content = "BT /F1 18 Tf 72 700 Td (" + escaped + ") Tj ET";
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
      "/Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
  };
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace quillet::doubles
