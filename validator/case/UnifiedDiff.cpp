#include "UnifiedDiff.h"

#include <algorithm>
#include <cstddef>

namespace vexvalidator {

namespace {

enum class Edit { Keep, Remove, Add };

// Past this many differences the edit script is not searched for (its memory grows with their
// square): the diff then removes every line and adds every line.
constexpr long MostDifferences = 3000;

// The shortest edit script from `a` to `b` (Myers, "An O(ND) Difference Algorithm"): the furthest
// reaching path of each diagonal k = x - y after d differences, kept for each d to walk back.
std::vector<Edit> EditScript(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  const long n = static_cast<long>(a.size());
  const long m = static_cast<long>(b.size());
  const long most = std::min(n + m, MostDifferences);
  std::vector<long> v(static_cast<std::size_t>(2 * most + 3), 0);
  auto at = [&](std::vector<long>& row, long k) -> long& { return row[static_cast<std::size_t>(k + most + 1)]; };
  std::vector<std::vector<long>> trace;
  long found = -1;
  for (long d = 0; d <= most && found < 0; ++d) {
    trace.emplace_back(v.begin() + (most + 1 - d), v.begin() + (most + 2 + d));  // k in [-d, d]
    for (long k = -d; k <= d; k += 2) {
      long x = (k == -d || (k != d && at(v, k - 1) < at(v, k + 1))) ? at(v, k + 1) : at(v, k - 1) + 1;
      long y = x - k;
      while (x < n && y < m && a[static_cast<std::size_t>(x)] == b[static_cast<std::size_t>(y)]) ++x, ++y;
      at(v, k) = x;
      if (x >= n && y >= m) {
        found = d;
        break;
      }
    }
  }
  std::vector<Edit> script;
  if (found < 0) {
    script.assign(static_cast<std::size_t>(n), Edit::Remove);
    script.insert(script.end(), static_cast<std::size_t>(m), Edit::Add);
    return script;
  }
  long x = n;
  long y = m;
  for (long d = found; d >= 0; --d) {
    const std::vector<long>& row = trace[static_cast<std::size_t>(d)];  // after d - 1 differences
    auto before = [&](long k) { return row[static_cast<std::size_t>(k + d)]; };
    const long k = x - y;
    const long previousK = (k == -d || (k != d && before(k - 1) < before(k + 1))) ? k + 1 : k - 1;
    const long previousX = d == 0 ? 0 : before(previousK);
    const long previousY = d == 0 ? 0 : previousX - previousK;
    while (x > previousX && y > previousY) {
      script.push_back(Edit::Keep);
      --x, --y;
    }
    if (d > 0) script.push_back(x == previousX ? Edit::Add : Edit::Remove);
    x = previousX;
    y = previousY;
  }
  std::reverse(script.begin(), script.end());
  return script;
}

std::string Range(std::size_t start, std::size_t count) {
  // As diff writes it: an empty range names the line before it, a range of one line no count.
  const std::size_t first = count == 0 ? start : start + 1;
  return count == 1 ? std::to_string(first) : std::to_string(first) + "," + std::to_string(count);
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) {
      lines.push_back(text.substr(begin));
      break;
    }
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

std::vector<std::string> FoldedAt(const std::vector<std::string>& lines, const std::string& separator,
                                  std::size_t width) {
  std::vector<std::string> folded;
  for (const auto& line : lines) {
    if (line.size() <= width || separator.empty()) {
      folded.push_back(line);
      continue;
    }
    std::string current;
    bool filled = false;  // current holds a piece
    std::size_t from = 0;
    while (from < line.size()) {
      const std::size_t at = line.find(separator, from);
      const std::size_t end = at == std::string::npos ? line.size() : at + separator.size();
      const std::string piece = line.substr(from, end - from);
      if (filled && current.size() + piece.size() > width) {
        folded.push_back(current);
        current = "    ";
      }
      current += piece;
      filled = true;
      from = end;
    }
    folded.push_back(current);
  }
  return folded;
}

std::string UnifiedDiff(const std::vector<std::string>& before, const std::vector<std::string>& after,
                        const std::string& beforeName, const std::string& afterName, int context) {
  const std::vector<Edit> script = EditScript(before, after);
  // Each edit with the line of each side it stands at.
  struct Step {
    Edit What;
    std::size_t A, B;
  };
  std::vector<Step> steps;
  std::size_t a = 0;
  std::size_t b = 0;
  for (Edit edit : script) {
    steps.push_back({edit, a, b});
    if (edit != Edit::Add) ++a;
    if (edit != Edit::Remove) ++b;
  }
  std::string out;
  const auto reach = static_cast<std::size_t>(std::max(context, 0));
  std::size_t i = 0;
  while (i < steps.size()) {
    if (steps[i].What == Edit::Keep) {
      ++i;
      continue;
    }
    // A hunk: from `reach` lines before this change to `reach` lines after the last change that
    // lies within twice that of the one before it.
    const std::size_t first = i >= reach ? i - reach : 0;
    std::size_t last = i;
    for (std::size_t j = i; j < steps.size() && j <= last + 2 * reach; ++j) {
      if (steps[j].What != Edit::Keep) last = j;
    }
    const std::size_t end = std::min(steps.size(), last + reach + 1);
    std::size_t removed = 0;
    std::size_t added = 0;
    std::string body;
    for (std::size_t j = first; j < end; ++j) {
      const Step& step = steps[j];
      if (step.What == Edit::Keep) body += " " + before[step.A] + "\n";
      if (step.What == Edit::Remove) body += "-" + before[step.A] + "\n";
      if (step.What == Edit::Add) body += "+" + after[step.B] + "\n";
      removed += step.What != Edit::Add ? 1 : 0;
      added += step.What != Edit::Remove ? 1 : 0;
    }
    if (out.empty()) out = "--- " + beforeName + "\n+++ " + afterName + "\n";
    out += "@@ -" + Range(steps[first].A, removed) + " +" + Range(steps[first].B, added) + " @@\n" + body;
    i = end;
  }
  return out;
}

}  // namespace vexvalidator
