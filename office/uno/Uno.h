// What every module over LibreOffice's UNO API needs: the common types, text
// conversion between UTF-8 and OUString, and media descriptors.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/Sequence.hxx>
#include <rtl/ustring.hxx>

namespace quillet::office::uno {

namespace css = ::com::sun::star;
using ::com::sun::star::uno::Any;
using ::com::sun::star::uno::Reference;
using ::com::sun::star::uno::Sequence;
using ::com::sun::star::uno::UNO_QUERY;
using ::com::sun::star::uno::UNO_QUERY_THROW;
using ::rtl::OUString;

OUString Ou(const std::string& utf8);
std::string Utf8(const OUString& text);

// A media descriptor or any other list of named values.
using Props = Sequence<css::beans::PropertyValue>;
Props MakeProps(std::initializer_list<std::pair<const char*, Any>> values);
Props MakeProps(const std::vector<css::beans::PropertyValue>& values);
css::beans::PropertyValue Prop(const char* name, const Any& value);

// The file URL of a local path (made absolute first), and back.
OUString FileUrl(const std::string& path);
std::string FilePath(const OUString& url);

}  // namespace quillet::office::uno
