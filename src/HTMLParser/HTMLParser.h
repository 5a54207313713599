// A small tokenizer that walks HTML text held in memory from tag to tag. A tag
// is everything from a "<" to the next ">"; there is no tree and no knowledge
// of elements, entities, comments or quoting. The current tag can be removed
// from the text, and edits of its parameters are written back into the text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "utilities/TextLines.h"

namespace quillet {

class TTag;

// The parameters of a tag, each exactly as written (quotes included). Every
// change of the entries notifies the owning tag right after it happens.
class TParams {
 public:
  TParams() = default;
  TParams(const TParams&) = delete;
  TParams& operator=(const TParams&) = delete;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const std::string& operator[](int32_t index) const;
  const StringList& Strings() const { return items_; }
  StringList::const_iterator begin() const { return items_.begin(); }
  StringList::const_iterator end() const { return items_.end(); }

  // Every mutation below raises Error "List index out of bounds (<index>)" for
  // an index outside the list and otherwise ends with Changed.
  void Add(const std::string& s);
  void Insert(int32_t index, const std::string& s);  // index may equal Count
  void Delete(int32_t index);
  void Set(int32_t index, const std::string& s);
  void Clear();  // clearing an empty list changes nothing and notifies nobody

 private:
  friend class TTag;
  void Changed();
  void CheckIndex(int32_t index, int32_t limit) const;

  StringList items_;
  TTag* fTag = nullptr;  // the owning tag; set by its constructor
};

class TTag {
 public:
  TTag();
  TTag(const TTag&) = delete;
  TTag& operator=(const TTag&) = delete;

  // The name as written: the text from just after "<" up to the first blank
  // (img, /p, v:imagedata, !--).
  std::string Name;
  TParams Params;
  // Called after every change of Params.
  std::function<void()> OnChange;

  // Name with a to z turned into A to Z, other characters as they are.
  std::string UpperName() const;
  // Name, then one blank and each parameter in list order.
  std::string AsString() const;
  // Splits the inner text of a tag (between "<" and ">") into Name and Params.
  void SetFromText(const std::string& s);
  void NotifyChange();
};

class THtmlParser {
 public:
  THtmlParser();
  THtmlParser(const THtmlParser&) = delete;
  THtmlParser& operator=(const THtmlParser&) = delete;

  // Replaces the text and starts over from its first character.
  void SetText(std::string s);
  void Reset();

  // Reads a file's lines (ending at CR, LF or CR LF, stopping at NUL) and takes
  // them, each followed by CR LF, as the text. Raises Error "Cannot open file
  // <path>" and keeps text and position when the file cannot be read.
  void LoadFromFile(const std::string& fileName);
  // Writes the text's lines, each followed by CR LF. Raises Error "Cannot
  // create file <path>" when the file cannot be written.
  void SaveToFile(const std::string& fileName) const;

  // Steps to the next tag; true when one was found. The run of text before it
  // (after the previous tag's ">") becomes TextBetween; the final, unsuccessful
  // step delivers the text after the last tag.
  bool NextTag();
  // The tag found by the last step, or nullptr when there is none. Always the
  // same object, refilled by every step.
  TTag* CurrentTag();
  // Deletes the current tag from the text. The position stays, so the next
  // step searches on from the character that followed the removed tag.
  void RemoveTag();

  const std::string& Text() const { return Text_; }
  // Hands the text over, for an edit of it as a whole, and starts over with
  // an empty text.
  std::string TakeText();
  const std::string& TextBetween() const { return TextBetween_; }
  // Positions count from 1; 0 means "none" (or, for Position, "after a reset").
  int32_t Position() const { return Position_; }
  int32_t TagStart() const { return TagStart_; }
  int32_t TagLength() const { return TagLength_; }
  int32_t TextStart() const { return TextStart_; }

 private:
  void ClearTag();
  void ClearTextBetween();
  void ClampPosition();
  void SetTagText(const std::string& s);
  void TagChanged();
  int32_t Length() const { return static_cast<int32_t>(Text_.size()); }
  // First 1-based index at or after From holding C, or 0.
  int32_t Find(char c, int32_t from) const;

  std::string Text_;
  std::string TextBetween_;
  TTag Tag_;
  int32_t Position_ = 0;
  int32_t TagStart_ = 0;
  int32_t TagLength_ = 0;
  int32_t TextStart_ = 0;
};

}  // namespace quillet
