// The applications the converter drives, as one table: the name that selects
// an application everywhere (option keywords, format tables, StartApplication;
// exact and case-sensitive), the name messages give it, the ProgIDs it is
// attached to or created by, in order, and the text of a start that failed.
//
// Thread-safety: constant data; any thread.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quillet {

enum class TApplication { Word, Excel, PowerPoint, Acrobat, NoWord };

struct TApplicationInfo {
  TApplication Id;
  std::string_view Name;
  std::string_view DisplayName;
  // Attached to or created in this order; empty where the application is not
  // an automation server of its own (Acrobat's bridge and the format library
  // are started by routines of their own).
  std::array<const char*, 5> ProgIds;
  std::string_view NotInstalledText;
};

inline constexpr std::array<TApplicationInfo, 5> kApplications{{
    {TApplication::Word,
     "MS Word",
     "Microsoft Word",
     {"Word.Application", "Word.Application.8", "Word.Application.9", "Word.Application.10", "Word.Basic"},
     "Can not load Microsoft Word, you must install Microsoft Word first, please try again!"},
    {TApplication::Excel,
     "MS Excel",
     "Microsoft Excel",
     {"Excel.Application"},
     "Can not load Microsoft Excel, you must install Microsoft Excel first, please try again!"},
    {TApplication::PowerPoint,
     "MS Powerpoint",
     "Microsoft PowerPoint",
     {"PowerPoint.Application"},
     "Can not load Microsoft PowerPoint, you must install Microsoft PowerPoint first, please try again!"},
    {TApplication::Acrobat, "Adobe Acrobat", "Adobe Acrobat", {}, ""},
    {TApplication::NoWord, "No MS Word", "the format library", {}, ""},
}};

constexpr const TApplicationInfo& ApplicationInfo(TApplication app) { return kApplications[static_cast<size_t>(app)]; }

// Word, Excel or PowerPoint: an automation server of its own, held in a slot
// of its own, that runs macros.
constexpr bool IsOfficeApplication(TApplication app) {
  return app == TApplication::Word || app == TApplication::Excel || app == TApplication::PowerPoint;
}

// The application of Name, compared exactly; none for any other text.
constexpr std::optional<TApplication> ApplicationNamed(std::string_view name) {
  for (const TApplicationInfo& info : kApplications)
    if (info.Name == name) return info.Id;
  return std::nullopt;
}

}  // namespace quillet
