#include "formats/Languages.h"

namespace quillet::office::formats {

namespace {

struct Language {
  const char* language;
  const char* country;  // "" matches any country not listed before
  int id;
};

constexpr Language kLanguages[] = {
    {"zh", "CN", 2052}, {"zh", "TW", 1028}, {"zh", "HK", 3076}, {"zh", "SG", 4100}, {"zh", "MO", 5124},
    {"zh", "", 2052},   {"ja", "", 1041},   {"ko", "", 1042},   {"en", "US", 1033}, {"en", "GB", 2057},
    {"en", "AU", 3081}, {"en", "CA", 4105}, {"en", "", 1033},   {"de", "AT", 3079}, {"de", "CH", 2055},
    {"de", "", 1031},   {"fr", "CA", 3084}, {"fr", "BE", 2060}, {"fr", "CH", 4108}, {"fr", "", 1036},
    {"es", "MX", 2058}, {"es", "", 3082},   {"it", "", 1040},   {"nl", "BE", 2067}, {"nl", "", 1043},
    {"pt", "BR", 1046}, {"pt", "", 2070},   {"ru", "", 1049},   {"pl", "", 1045},   {"cs", "", 1029},
    {"sv", "", 1053},   {"da", "", 1030},   {"nb", "", 1044},   {"fi", "", 1035},   {"el", "", 1032},
    {"tr", "", 1055},   {"hu", "", 1038},   {"he", "", 1037},   {"ar", "", 1025},   {"th", "", 1054},
    {"vi", "", 1066},   {"uk", "", 1058},   {"ko", "KR", 1042},
};

}  // namespace

int LanguageId(const std::string& language, const std::string& country) {
  if (language.empty()) return 0;
  for (const Language& l : kLanguages)
    if (language == l.language && (!*l.country || country == l.country)) return l.id;
  return 1024;
}

}  // namespace quillet::office::formats
