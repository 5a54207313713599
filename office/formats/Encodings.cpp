#include "formats/Encodings.h"

#include "automation/Failure.h"

namespace quillet::office::formats {

namespace {

struct Encoding {
  int codePage;
  const char* name;
};

constexpr Encoding kEncodings[] = {
    {437, "IBM_437"},       {850, "IBM_850"},      {852, "IBM_852"},       {855, "IBM_855"},
    {857, "IBM_857"},       {860, "IBM_860"},      {861, "IBM_861"},       {863, "IBM_863"},
    {865, "IBM_865"},       {866, "IBM_866"},      {869, "IBM_869"},       {874, "MS_874"},
    {932, "MS_932"},        {936, "MS_936"},       {949, "MS_949"},        {950, "MS_950"},
    {1200, "UNICODE"},      {1250, "MS_1250"},     {1251, "MS_1251"},      {1252, "MS_1252"},
    {1253, "MS_1253"},      {1254, "MS_1254"},     {1255, "MS_1255"},      {1256, "MS_1256"},
    {1257, "MS_1257"},      {1258, "MS_1258"},     {10000, "APPLE_ROMAN"}, {20127, "ASCII_US"},
    {20866, "KOI8_R"},      {21866, "KOI8_U"},     {28591, "ISO_8859_1"},  {28592, "ISO_8859_2"},
    {28593, "ISO_8859_3"},  {28594, "ISO_8859_4"}, {28595, "ISO_8859_5"},  {28596, "ISO_8859_6"},
    {28597, "ISO_8859_7"},  {28598, "ISO_8859_8"}, {28599, "ISO_8859_9"},  {28605, "ISO_8859_15"},
    {50220, "ISO_2022_JP"}, {51932, "EUC_JP"},     {51936, "EUC_CN"},      {51949, "EUC_KR"},
    {52936, "ISO_2022_CN"}, {54936, "GB_18030"},   {65000, "UTF7"},        {65001, "UTF8"},
};

}  // namespace

std::string CharsetName(int codePage) {
  if (codePage == kUtf16BigEndian) codePage = kUtf16;
  for (const Encoding& e : kEncodings)
    if (e.codePage == codePage) return e.name;
  throw Failure("This encoding is not available: " + std::to_string(codePage));
}

std::string TextExportOptions(int codePage, bool bom) {
  const bool unicode = codePage == kUtf8 || codePage == kUtf16 || codePage == kUtf16BigEndian;
  return CharsetName(codePage) + ",CRLF,,," + (unicode && bom ? "true" : "false");
}

}  // namespace quillet::office::formats
