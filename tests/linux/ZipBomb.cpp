#include "ZipBomb.h"

#include <zlib.h>

#include <cstdint>

namespace quillet::test {

namespace {

// A zip file of stored entries plus one deflated entry whose content is
// Head, Count times 16 MiB of one character, then Tail: a few MB that expand
// to gigabytes. The filler is compressed once (with a full flush, so that
// each copy stands alone) and repeated.
class ZipWriter {
 public:
  void Stored(const std::string& name, const std::string& data) {
    Entry(name, 0, data, static_cast<uint32_t>(data.size()), Crc(data));
  }
  void Bomb(const std::string& name, const std::string& head, int count, const std::string& tail, char filler) {
    const std::string blanks(16u << 20, filler);
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out;
    auto run = [&](const std::string& in, int flush) {
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
      z.avail_in = static_cast<uInt>(in.size());
      std::string chunk;
      char buffer[1 << 16];
      do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        deflate(&z, flush);
        chunk.append(buffer, sizeof buffer - z.avail_out);
      } while (z.avail_out == 0);
      return chunk;
    };
    std::string data = run(head, Z_FULL_FLUSH);
    const std::string copy = run(blanks, Z_FULL_FLUSH);
    for (int i = 0; i < count; ++i) data += copy;
    data += run(tail, Z_FINISH);
    deflateEnd(&z);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(head.data()), static_cast<uInt>(head.size()));
    const uLong blankCrc = Crc(blanks);
    for (int i = 0; i < count; ++i) crc = crc32_combine(crc, blankCrc, static_cast<z_off_t>(blanks.size()));
    crc = crc32_combine(crc, Crc(tail), static_cast<z_off_t>(tail.size()));
    const uint64_t size = head.size() + uint64_t(count) * blanks.size() + tail.size();
    Entry(name, 8, data, static_cast<uint32_t>(size), static_cast<uint32_t>(crc));
  }
  std::string Finish() {
    std::string end;
    const uint32_t start = static_cast<uint32_t>(body_.size());
    Le(end, 0x06054b50, 4);
    Le(end, 0, 4);
    Le(end, entries_, 2);
    Le(end, entries_, 2);
    Le(end, central_.size(), 4);
    Le(end, start, 4);
    Le(end, 0, 2);
    return body_ + central_ + end;
  }

 private:
  static uint32_t Crc(const std::string& s) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
  }
  static void Le(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
  }
  void Entry(const std::string& name, int method, const std::string& data, uint32_t size, uint32_t crc) {
    const uint32_t offset = static_cast<uint32_t>(body_.size());
    std::string local;
    Le(local, 0x04034b50, 4);
    Le(local, 20, 2);
    Le(local, 0, 2);
    Le(local, method, 2);
    Le(local, 0, 4);  // time and date
    Le(local, crc, 4);
    Le(local, data.size(), 4);
    Le(local, size, 4);
    Le(local, name.size(), 2);
    Le(local, 0, 2);
    body_ += local + name + data;
    Le(central_, 0x02014b50, 4);
    Le(central_, 20, 2);
    Le(central_, 20, 2);
    Le(central_, 0, 2);
    Le(central_, method, 2);
    Le(central_, 0, 4);
    Le(central_, crc, 4);
    Le(central_, data.size(), 4);
    Le(central_, size, 4);
    Le(central_, name.size(), 2);
    Le(central_, 0, 2 + 2 + 2 + 2);
    Le(central_, 0, 4);
    Le(central_, offset, 4);
    central_ += name;
    ++entries_;
  }
  std::string body_, central_;
  int entries_ = 0;
};

}  // namespace

std::string ZipBombDocx(int sixteenMebibytes, char filler) {
  ZipWriter zip;
  zip.Stored("[Content_Types].xml",
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
             "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
             "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
             "ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
             "</Types>");
  zip.Stored("_rels/.rels",
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
             "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
             "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
             "Target=\"word/document.xml\"/></Relationships>");
  zip.Bomb("word/document.xml",
           "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
           "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p><w:r><w:t>",
           sixteenMebibytes, "</w:t></w:r></w:p></w:body></w:document>", filler);
  return zip.Finish();
}

}  // namespace quillet::test
