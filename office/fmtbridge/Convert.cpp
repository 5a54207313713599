#include "fmtbridge/Convert.h"

#include <charconv>
#include <memory>
#include <mutex>
#include <optional>

#include <com/sun/star/uno/Exception.hpp>

#include "automation/Failure.h"
#include "common/AppState.h"
#include "common/LoadRequests.h"
#include "formats/OpenFormats.h"
#include "formats/SaveFormats.h"
#include "uno/Documents.h"

namespace quillet::office::fmtbridge {

namespace {

namespace css = ::com::sun::star;

std::mutex g_lock;

// Never destroyed: at the end of the process the office's own exit handler
// gives it up while the UNO runtime is still whole.
std::shared_ptr<uno::Office>& Held() {
  static auto* held = new std::shared_ptr<uno::Office>;
  return *held;
}

std::shared_ptr<uno::Office> TheOffice() {
  std::lock_guard<std::mutex> guard(g_lock);
  std::shared_ptr<uno::Office>& held = Held();
  if (!held || !held->alive()) held = uno::Office::Acquire();
  return held;
}

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// The whole text as a decimal number (blanks around it allowed).
std::optional<int> Number(const std::string& text) {
  const std::string t = Trimmed(text);
  int value = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return value;
}

void ConvertOrRaise(const std::string& src, const std::string& openFormat, const std::string& dest,
                    const std::string& destFormat) {
  int saveNumber = formats::WordFormatForPath(dest);
  if (!Trimmed(destFormat).empty()) {
    const std::optional<int> n = Number(destFormat);
    if (!n) throw Failure("This file format is not available: " + destFormat);
    saveNumber = *n;
  }
  const formats::SaveFormat& format = formats::FindSaveFormat(formats::Application::Word, saveNumber);

  std::optional<int> openNumber;
  if (!Trimmed(openFormat).empty()) {
    openNumber = Number(openFormat);
    if (!openNumber) throw Failure("This open format is not available: " + openFormat);
  }
  const formats::OpenRule rule = formats::WordOpenRule(src, openNumber);
  uno::LoadRequest request = LoadRequestFor(src, uno::DocumentKind::Text, rule);

  const std::shared_ptr<uno::Office> office = TheOffice();
  const OpenDocument document(src, uno::LoadDocument(*office, request));
  uno::StoreDocument(document.Model(), dest, format.filter, formats::ExportOptions(format));
}

}  // namespace

std::string Convert(const std::string& src, const std::string& openFormat, const std::string& dest,
                    const std::string& destFormat) {
  try {
    ConvertOrRaise(src, openFormat, dest, destFormat);
    return {};
  } catch (const css::uno::Exception& e) {
    const std::string text = uno::Utf8(e.Message);
    return text.empty() ? "LibreOffice raised an error without a description" : text;
  } catch (const std::exception& e) {
    return e.what();
  }
}

void Release() {
  std::shared_ptr<uno::Office> office;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    office.swap(Held());
  }
  // The office goes (when no application holds it) outside the lock.
}

}  // namespace quillet::office::fmtbridge
