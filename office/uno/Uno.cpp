#include "uno/Uno.h"

#include <filesystem>

#include <osl/file.hxx>

#include "automation/Failure.h"

namespace quillet::office::uno {

OUString Ou(const std::string& utf8) {
  return OUString(utf8.data(), static_cast<sal_Int32>(utf8.size()), RTL_TEXTENCODING_UTF8);
}

std::string Utf8(const OUString& text) {
  const rtl::OString s = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(s.getStr(), static_cast<size_t>(s.getLength()));
}

css::beans::PropertyValue Prop(const char* name, const Any& value) {
  css::beans::PropertyValue p;
  p.Name = OUString::createFromAscii(name);
  p.Value = value;
  return p;
}

Props MakeProps(std::initializer_list<std::pair<const char*, Any>> values) {
  std::vector<css::beans::PropertyValue> list;
  for (const auto& [name, value] : values) list.push_back(Prop(name, value));
  return MakeProps(list);
}

Props MakeProps(const std::vector<css::beans::PropertyValue>& values) {
  return Props(values.data(), static_cast<sal_Int32>(values.size()));
}

OUString FileUrl(const std::string& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) absolute = path;
  OUString url;
  if (osl::FileBase::getFileURLFromSystemPath(Ou(absolute.lexically_normal().string()), url) != osl::FileBase::E_None)
    throw Failure("The file name is not valid: " + path);
  return url;
}

std::string FilePath(const OUString& url) {
  OUString path;
  if (osl::FileBase::getSystemPathFromFileURL(url, path) != osl::FileBase::E_None) return Utf8(url);
  return Utf8(path);
}

}  // namespace quillet::office::uno
