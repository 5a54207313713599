// What the tests of real conversions on Linux share: the built library,
// loaded once for the program as a program uses it, with no server registry
// file, so that Word, Excel and PowerPoint are the LibreOffice stand-ins
// shipped beside it; the documents the tests convert, made by the library
// itself from flat OpenDocument files; and the soffice processes of this
// program.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FlatDocuments.h"
#include "QuilletLibrary.h"
#include "TestSupport.h"

namespace quillet::office::uno {
class Connection;
}

namespace quillet::test {

// The private well-known pipe of this program: the stand-ins attach to an
// office listening there, and to no office of the user's.
std::string TestPipe();

// The library of the program, loaded on first use (after the environment
// has been made free of every server registry and of the user's office).
QuilletLibrary& Library();
// A folder of the program's own for documents and results.
const TempDir& Work();

// ConvertSingleFile; the error text ("" on success).
std::string Convert(const std::string& src, const std::string& dest, const std::string& format,
                    const std::string& option = {});

// The kind of the last failure of this thread's last call (GetFieldValue
// "errorcode"): "" after a success.
std::string LastErrorCode();

// The source documents, made on first use.
struct Sources {
  std::string words;    // .docx: two paragraphs, one with non-ASCII letters
  std::string picture;  // .docx with an embedded PNG picture
  std::string links;    // .docx with a link to a .doc file and one to a web page
  std::string chinese;  // .docx whose first paragraph is Chinese, tagged zh-CN
  std::string cells;    // .xlsx: one sheet of strings and numbers
  std::string sheets;   // .xlsx: three sheets
  std::string deck;     // .pptx: three slides of text boxes
  std::string secret;   // .docx with the password "secret"
};
const Sources& Docs();

inline const std::string kWordsFirst = "Quillet converts documents.";
inline const std::string kWordsSecond =
    "Gr\xc3\xb6\xc3\x9f"
    "e, caf\xc3\xa9 und na\xc3\xafv.";
inline const std::string kChinese = "\xe4\xb8\xad\xe6\x96\x87\xe6\x96\x87\xe6\xa1\xa3";  // four characters
// The deck's text boxes, slide by slide, each a list of paragraphs.
const std::vector<std::vector<std::vector<std::string>>>& DeckText();

// A .docx, .xlsx or .pptx (by Ext) made through the library from
// FlatWithFonts(Ext, Fonts).
std::string MakeWithFonts(const std::string& name, const std::string& ext, const std::vector<std::string>& fonts);

// The soffice.bin processes whose parent is this program.
std::vector<int> OfficeChildren();
// The office the stand-ins of this process started (0: none or attached;
// -1: the stand-ins are not loaded).
int StartedOffice();
// True once process Pid has gone (within Limit).
bool GoneWithin(int pid, int milliseconds);

// An office of "the user's": soffice started by the test itself, listening
// on Pipe, with a profile slot of its own. Ended when the object goes.
class UsersOffice {
 public:
  explicit UsersOffice(const std::string& pipe);
  ~UsersOffice();
  int pid() const;
  bool running() const;
  // Saves Source (loaded hidden) again as Dest through Filter, encrypted
  // with Password.
  void SaveWithPassword(const std::string& source, const std::string& dest, const std::string& filter,
                        const std::string& password);
  // Asks it to end and waits for that.
  bool Terminate();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
  std::unique_ptr<office::uno::Connection> Connect() const;
};

// Width and height of a JPEG file from its frame header; {0, 0} when it is none.
std::pair<int, int> JpegSize(const std::string& file);

}  // namespace quillet::test
