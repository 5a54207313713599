// Word's Characters of the main text. Word counts every character of the
// story, each paragraph mark included, the last one too (an empty document
// has one character); Item(i) is the i-th of them, with its languages.
//
// LibreOffice keeps an East Asian language on every run of text (its
// profile's default, Chinese for an English profile), where Word's runs of
// Western text in a Western document carry none of their own. The East Asian
// language that LanguageIDFarEast reports is therefore that of a character of
// East Asian script; any other character reports the language that applies
// to it, its Western one.
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/i18n/BreakIterator.hpp>
#include <com/sun/star/i18n/ScriptType.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>

#include "automation/DispatchObject.h"
#include "automation/Failure.h"
#include "formats/Languages.h"
#include "word/WordDoc.h"

namespace quillet::office::word {

namespace {

namespace css = uno::css;
using uno::Reference;
using uno::UNO_QUERY_THROW;

Reference<css::text::XText> BodyOf(const WordDoc& doc) {
  return Reference<css::text::XTextDocument>(doc.doc->Model(), UNO_QUERY_THROW)->getText();
}

int32_t CountOf(const WordDoc& doc) { return BodyOf(doc)->getString().getLength() + 1; }

int LanguageOf(const Reference<css::text::XTextCursor>& cursor, const char* property) {
  css::lang::Locale locale;
  Reference<css::beans::XPropertySet>(cursor, UNO_QUERY_THROW)
      ->getPropertyValue(uno::OUString::createFromAscii(property)) >>= locale;
  return formats::LanguageId(uno::Utf8(locale.Language), uno::Utf8(locale.Country));
}

class Character : public DispatchObject {
 public:
  Character(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc, int32_t index)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)), index_(index) {
    Property("LanguageIDFarEast", [this](const CallArgs&, Result& r) {
      const auto cursor = Cursor();
      r.Int(LanguageOf(cursor, IsAsian(cursor->getString()) ? "CharLocaleAsian" : "CharLocale"));
    });
    Property("LanguageID", [this](const CallArgs&, Result& r) { r.Int(LanguageOf(Cursor(), "CharLocale")); });
    Property("LanguageIDOther",
             [this](const CallArgs&, Result& r) { r.Int(LanguageOf(Cursor(), "CharLocaleComplex")); });
    Property("Text", [this](const CallArgs&, Result& r) {
      const std::string text = uno::Utf8(Cursor()->getString());
      r.Text(text.empty() ? "\r" : text);  // the paragraph mark
    });
  }

 private:
  // True when LibreOffice gives Text's first character East Asian attributes.
  bool IsAsian(const uno::OUString& text) const {
    if (text.isEmpty()) return false;
    const auto breaks = css::i18n::BreakIterator::create(app_->office().context());
    return breaks->getScriptType(text, 0) == css::i18n::ScriptType::ASIAN;
  }

  // The cursor over this character (empty on the last paragraph mark).
  Reference<css::text::XTextCursor> Cursor() const {
    const auto body = BodyOf(*doc_);
    auto cursor = body->createTextCursor();
    cursor->gotoStart(false);
    if (index_ > 1) cursor->goRight(static_cast<sal_Int16>(std::min<int32_t>(index_ - 1, 0x7fff)), false);
    cursor->goRight(1, true);
    return cursor;
  }

  std::shared_ptr<AppState> app_;
  std::shared_ptr<WordDoc> doc_;
  int32_t index_;
};

class Characters : public DispatchObject {
 public:
  Characters(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc)
      : DispatchObject(app->source()), app_(std::move(app)), doc_(std::move(doc)) {
    Property("Count", [this](const CallArgs&, Result& r) { r.Int(CountOf(*doc_)); });
    Item("Item", {"Index"}, [this](const CallArgs& a, Result& r) {
      const int32_t i = a.Int(0, "Index").value_or(0);
      if (i < 1 || i > CountOf(*doc_)) throw Failure("The requested member of the collection does not exist.");
      r.Object(new Character(app_, doc_, i));
    });
    Item("First", {}, [this](const CallArgs&, Result& r) { r.Object(new Character(app_, doc_, 1)); });
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<WordDoc> doc_;
};

}  // namespace

IDispatch* NewCharacters(std::shared_ptr<AppState> app, std::shared_ptr<WordDoc> doc) {
  return new Characters(std::move(app), std::move(doc));
}

}  // namespace quillet::office::word
