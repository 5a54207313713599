#include "HTMLParser/HTMLParser.h"

#include <utility>

#include "platform/error.h"
#include "utilities/Strings.h"

namespace quillet {

// ---------------------------------------------------------------- TParams

const std::string& TParams::operator[](int32_t index) const {
  CheckIndex(index, Count() - 1);
  return items_[static_cast<size_t>(index)];
}

void TParams::Add(const std::string& s) {
  items_.push_back(s);
  Changed();
}

void TParams::Insert(int32_t index, const std::string& s) {
  CheckIndex(index, Count());
  items_.insert(items_.begin() + index, s);
  Changed();
}

void TParams::Delete(int32_t index) {
  CheckIndex(index, Count() - 1);
  items_.erase(items_.begin() + index);
  Changed();
}

void TParams::Set(int32_t index, const std::string& s) {
  CheckIndex(index, Count() - 1);
  items_[static_cast<size_t>(index)] = s;
  Changed();
}

void TParams::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TParams::Changed() {
  if (fTag) fTag->NotifyChange();
}

void TParams::CheckIndex(int32_t index, int32_t limit) const {
  if (index < 0 || index > limit) throw Error("List index out of bounds (" + IntToStr(index) + ")");
}

// ---------------------------------------------------------------- TTag

TTag::TTag() { Params.fTag = this; }

std::string TTag::UpperName() const { return UpperCase(Name); }

std::string TTag::AsString() const {
  std::string s = Name;
  for (const std::string& p : Params) {
    s += ' ';
    s += p;
  }
  return s;
}

void TTag::SetFromText(const std::string& s) {
  // Zero-based here: a parameter runs from Start up to and including the
  // character at P (clipped at the end of S).
  const size_t len = s.size();
  size_t p = s.find(' ');
  if (p == std::string::npos) p = len;
  Name = s.substr(0, p);
  Params.Clear();

  size_t start = p + 1;
  auto cut = [&]() {
    if (start < len) {
      const std::string param = Trim(std::string_view(s).substr(start, p - start + 1));
      if (!param.empty()) Params.Add(param);
    }
    start = p + 1;
  };

  bool inSingle = false, inDouble = false;
  for (p = p + 1; p < len; ++p) {
    const char c = s[p];
    if (c == '"') {
      if (!inSingle) inDouble = !inDouble;
      if (!inSingle && !inDouble) cut();
    } else if (c == '\'') {
      if (!inDouble) inSingle = !inSingle;
      if (!inSingle && !inDouble) cut();
    } else if (c == ' ' && !inSingle && !inDouble) {
      cut();
    }
  }
  // The rest after the last cut, including an unclosed quoted value.
  if (start < p) cut();
}

void TTag::NotifyChange() {
  if (OnChange) OnChange();
}

// ---------------------------------------------------------------- THtmlParser

THtmlParser::THtmlParser() { SetText(std::string()); }

void THtmlParser::SetText(std::string s) {
  Text_ = std::move(s);
  Reset();
}

std::string THtmlParser::TakeText() {
  std::string text = std::move(Text_);
  SetText(std::string());
  return text;
}

void THtmlParser::Reset() {
  Position_ = 0;
  ClearTag();
  ClearTextBetween();
}

void THtmlParser::LoadFromFile(const std::string& fileName) {
  // Reading first: a file that cannot be read leaves everything as it was.
  SetText(CrLfLines(LoadTextFromFile(fileName)));
}

void THtmlParser::SaveToFile(const std::string& fileName) const { SaveTextLinesToFile(fileName, Text_); }

int32_t THtmlParser::Find(char c, int32_t from) const {
  const auto i = Text_.find(c, static_cast<size_t>(from - 1));
  return i == std::string::npos ? 0 : static_cast<int32_t>(i) + 1;
}

bool THtmlParser::NextTag() {
  if (Text_.empty()) return false;
  if (TagStart_ != 0) ++Position_;
  ClampPosition();

  const int32_t len = Length();
  int32_t lt = Find('<', Position_);
  const int32_t gt = lt != 0 ? Find('>', lt) : 0;
  if (lt == 0) lt = len + 1;
  const bool found = gt != 0;

  // The run starts after a ">" that lies before the tag (the end of the
  // previous tag, or a stray one), else at the position.
  const int32_t g = Find('>', Position_);
  const int32_t runStart = g != 0 && g < lt ? g + 1 : Position_;
  int32_t runEnd;
  std::string inner;
  if (found) {
    Position_ = lt;
    TagStart_ = lt;
    TagLength_ = gt - lt + 1;
    runEnd = lt - 1;
    inner = Text_.substr(static_cast<size_t>(lt), static_cast<size_t>(gt - lt - 1));
  } else {
    Position_ = len;
    TagStart_ = 0;
    runEnd = len;
  }
  SetTagText(inner);

  TextStart_ = runStart;
  TextBetween_ = runEnd >= runStart
                     ? Text_.substr(static_cast<size_t>(runStart - 1), static_cast<size_t>(runEnd - runStart + 1))
                     : std::string();
  return found;
}

TTag* THtmlParser::CurrentTag() { return TagStart_ != 0 ? &Tag_ : nullptr; }

void THtmlParser::RemoveTag() {
  if (TagStart_ == 0) return;
  Text_.erase(static_cast<size_t>(TagStart_ - 1), static_cast<size_t>(TagLength_));
  ClearTag();
  ClearTextBetween();
}

void THtmlParser::ClearTag() {
  SetTagText(std::string());
  TagStart_ = 0;
  TagLength_ = 0;
}

void THtmlParser::ClearTextBetween() {
  TextBetween_.clear();
  TextStart_ = 0;
}

void THtmlParser::ClampPosition() {
  if (Position_ <= 0)
    Position_ = 1;
  else if (Position_ > Length())
    Position_ = Length();
}

void THtmlParser::SetTagText(const std::string& s) {
  // Filling the tag from the text must not write it back into the text.
  Tag_.OnChange = nullptr;
  Tag_.SetFromText(s);
  Tag_.OnChange = [this] { TagChanged(); };
}

void THtmlParser::TagChanged() {
  if (TagStart_ == 0) return;
  // Everything between "<" and ">" is rebuilt from the name and parameters.
  Text_.erase(static_cast<size_t>(TagStart_), static_cast<size_t>(TagLength_ - 2));
  const std::string s = Tag_.AsString();
  TagLength_ = static_cast<int32_t>(s.size()) + 2;
  Text_.insert(static_cast<size_t>(TagStart_), s);
}

}  // namespace quillet
