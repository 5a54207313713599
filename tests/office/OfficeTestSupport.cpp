#include "OfficeTestSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <zlib.h>

namespace quillet::test {

void UseStandIns(const TempDir& dir) {
  const std::string registry = dir / "automation-servers";
  WriteFile(registry, std::string("Word.Application {3B8E41A0-5D2C-4F6E-8A11-2C7D904E5101} WordGetClassObject ") +
                          QUILLET_OFFICE_LIB + "\n" +
                          "Excel.Application {3B8E41A0-5D2C-4F6E-8A11-2C7D904E5102} ExcelGetClassObject " +
                          QUILLET_OFFICE_LIB + "\n" +
                          "PowerPoint.Application {3B8E41A0-5D2C-4F6E-8A11-2C7D904E5103} PowerPointGetClassObject " +
                          QUILLET_OFFICE_LIB + "\n");
  ::setenv("QUILLET_AUTOMATION_REGISTRY", registry.c_str(), 1);
  const std::string pipe = "quillet-test-" + std::to_string(::getpid());
  ::setenv("QUILLET_OFFICE_PIPE", pipe.c_str(), 1);
}

Office& Apps() {
  static TempDir dir;
  static Office* office = nullptr;  // given back by the office stand-ins' exit handler
  if (!office) {
    UseStandIns(dir);
    office = new Office{ole::Variant(ole::CreateOleObject("Word.Application")),
                        ole::Variant(ole::CreateOleObject("Excel.Application")),
                        ole::Variant(ole::CreateOleObject("PowerPoint.Application"))};
  }
  return *office;
}

ole::Variant OpenWord(const std::string& file) {
  return Apps()
      .word.CallOrGet("Documents")
      .Call("Open", {}, {{"FileName", file}, {"ReadOnly", true}, {"PasswordDocument", "zv"}});
}

ole::Variant OpenWorkbook(const std::string& file) {
  return Apps()
      .excel.CallOrGet("Workbooks")
      .Call("Open", {}, {{"Filename", file}, {"ReadOnly", true}, {"Password", "zv"}});
}

ole::Variant OpenPresentation(const std::string& file) {
  return Apps()
      .powerpoint.CallOrGet("Presentations")
      .Call("Open", {}, {{"FileName", file}, {"WithWindow", false}, {"ReadOnly", true}});
}

void SaveAs(const ole::Variant& document, const std::string& file, int format) {
  document.Call("SaveAs", {}, {{"FileName", file}, {"FileFormat", format}});
}

std::string MakeWordDocument(const TempDir& dir, const std::string& name, const std::string& flat,
                             const std::string& ext, int format) {
  const std::string source = dir / (name + ".fodt"), made = dir / (name + "." + ext);
  WriteFile(source, flat);
  const ole::Variant doc = OpenWord(source);
  SaveAs(doc, made, format);
  doc.Call("Close", {}, {{"SaveChanges", 0}});
  return made;
}

std::string MakeWorkbook(const TempDir& dir, const std::string& name, const std::string& flat) {
  const std::string source = dir / (name + ".fods"), made = dir / (name + ".xlsx");
  WriteFile(source, flat);
  const ole::Variant book = OpenWorkbook(source);
  SaveAs(book, made, 51);
  book.Call("Close", {}, {{"SaveChanges", 0}});
  return made;
}

std::string MakePresentation(const TempDir& dir, const std::string& name, const std::string& flat) {
  const std::string source = dir / (name + ".fodp"), made = dir / (name + ".pptx");
  WriteFile(source, flat);
  const ole::Variant deck = OpenPresentation(source);
  SaveAs(deck, made, 24);
  deck.Call("Close");
  return made;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace quillet::test

namespace quillet::test {

std::string ZipEntry(const std::string& zip, const std::string& name) {
  const std::string data = ReadFile(zip);
  auto u16 = [&](size_t at) { return size_t(uint8_t(data[at])) | size_t(uint8_t(data[at + 1])) << 8; };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  // The central directory, found through its end record.
  size_t end = data.size() >= 22 ? data.size() - 22 : 0;
  while (end > 0 && u32(end) != 0x06054b50) --end;
  if (data.size() < 22 || u32(end) != 0x06054b50) return {};
  for (size_t at = u32(end + 16), n = u16(end + 10); n-- > 0 && at + 46 <= data.size();) {
    const size_t method = u16(at + 10), packed = u32(at + 20), size = u32(at + 24);
    const size_t nameLength = u16(at + 28), extra = u16(at + 30), comment = u16(at + 32), local = u32(at + 42);
    if (data.compare(at + 46, nameLength, name) == 0 && nameLength == name.size()) {
      const size_t start = local + 30 + u16(local + 26) + u16(local + 28);
      if (method == 0) return data.substr(start, packed);
      std::string out(size, '\0');
      z_stream z{};
      inflateInit2(&z, -MAX_WBITS);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + start));
      z.avail_in = static_cast<uInt>(packed);
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = static_cast<uInt>(size);
      inflate(&z, Z_FINISH);
      inflateEnd(&z);
      out.resize(z.total_out);
      return out;
    }
    at += 46 + nameLength + extra + comment;
  }
  return {};
}

}  // namespace quillet::test
