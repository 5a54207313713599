#include "TextLayout.h"

#include <algorithm>
#include <utility>

namespace quillet::plugkit {

namespace {

// Gaps in units of the line's height.
constexpr double kWideGap = 1.0;     // at least this: always a column gap
constexpr double kNarrowGap = 0.28;  // below this: a blank between words
constexpr double kJoinedGap = 0.1;   // below this, without a blank: one word in pieces
// Lines at most this far apart (in the taller one's height) form one block.
constexpr double kBlockSpacing = 1.0;

struct Line {
  double top, bottom;
  std::vector<WordBox> words;  // left to right
  double height() const { return bottom - top; }
};

using Span = std::pair<double, double>;

double Middle(const WordBox& w) { return (w.top + w.bottom) / 2; }

// The stretches that no word of Lines covers, between their leftmost and
// rightmost words.
std::vector<Span> Rivers(const std::vector<Line>& lines, size_t first, size_t last) {
  std::vector<Span> covered;
  for (size_t i = first; i <= last; ++i)
    for (const WordBox& w : lines[i].words) covered.emplace_back(w.left, w.right);
  std::sort(covered.begin(), covered.end());
  std::vector<Span> rivers;
  double reach = covered.empty() ? 0 : covered.front().second;
  for (const Span& s : covered) {
    if (s.first > reach) rivers.emplace_back(reach, s.first);
    reach = std::max(reach, s.second);
  }
  return rivers;
}

// Whether a column gap of the block runs through the gap From..To of line
// Self: a stretch of it that no word of the block covers and that another line
// of the block spans (has words on both sides of), so that the lines agree on
// it. Beyond a short line's end there is no agreement to be had.
bool HoldsRiver(double from, double to, const std::vector<Span>& rivers, const std::vector<Line>& lines, size_t first,
                size_t last, size_t self) {
  for (const Span& r : rivers) {
    const double lo = std::max(from, r.first), hi = std::min(to, r.second);
    if (hi <= lo) continue;
    for (size_t i = first; i <= last; ++i) {
      if (i == self || lines[i].words.empty()) continue;
      double left = lines[i].words.front().left, right = lines[i].words.front().right;
      for (const WordBox& w : lines[i].words) right = std::max(right, w.right);
      if (left <= lo && right >= hi) return true;
    }
  }
  return false;
}

Cells CellsOf(const std::vector<Line>& lines, size_t first, size_t last, size_t self, const std::vector<Span>& rivers) {
  const Line& line = lines[self];
  const double height = line.height();
  Cells cells;
  const WordBox* previous = nullptr;
  for (const WordBox& w : line.words) {
    const double gap = previous ? w.left - previous->right : 0;
    const bool newCell =
        !previous || gap >= kWideGap * height ||
        (gap >= kNarrowGap * height && HoldsRiver(previous->right, w.left, rivers, lines, first, last, self));
    if (newCell) {
      cells.push_back(w.text);
    } else {
      if (previous->spaceAfter || gap > kJoinedGap * height) cells.back() += ' ';
      cells.back() += w.text;
    }
    previous = &w;
  }
  return cells;
}

}  // namespace

std::vector<Cells> LayOutLines(std::vector<WordBox> words) {
  std::erase_if(words, [](const WordBox& w) { return w.text.empty(); });
  std::stable_sort(words.begin(), words.end(),
                   [](const WordBox& a, const WordBox& b) { return Middle(a) < Middle(b); });
  std::vector<Line> lines;
  for (WordBox& w : words) {
    // Sorted by their middles, a word belongs to the last line or starts one.
    if (!lines.empty() && Middle(w) <= lines.back().bottom && Middle(w) >= lines.back().top) {
      Line& line = lines.back();
      line.top = std::min(line.top, w.top);
      line.bottom = std::max(line.bottom, w.bottom);
      line.words.push_back(std::move(w));
    } else {
      lines.push_back(Line{w.top, w.bottom, {}});
      lines.back().words.push_back(std::move(w));
    }
  }
  for (Line& line : lines)
    std::stable_sort(line.words.begin(), line.words.end(),
                     [](const WordBox& a, const WordBox& b) { return a.left < b.left; });

  std::vector<Cells> result;
  result.reserve(lines.size());
  for (size_t first = 0; first < lines.size();) {
    size_t last = first;
    while (last + 1 < lines.size() && lines[last + 1].top - lines[last].bottom <=
                                          kBlockSpacing * std::max(lines[last].height(), lines[last + 1].height()))
      ++last;
    const std::vector<Span> rivers = Rivers(lines, first, last);
    for (size_t i = first; i <= last; ++i) result.push_back(CellsOf(lines, first, last, i, rivers));
    first = last + 1;
  }
  return result;
}

}  // namespace quillet::plugkit
