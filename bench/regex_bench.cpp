// Times the catalogue run of the download job: Create with the catalogue
// pattern over a generated catalogue, then submatches 1, 2 and 5 of every
// match. Catalogues of 1 MB and 4 MB; the median of several runs each. The
// 4 MB run should take about four times as long as the 1 MB one.
//
//   regex_bench [runs]      (default 7)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "regex/regex_object.h"
#include "runtime/source_text.h"

namespace skinwall {
namespace {

constexpr const char* kCataloguePattern =
    R"re("ename":(.*?),"cname":"(.*?)","title":"(.*?)",.*?,"hero_type":(.*?),.*?"skin_name":"(.*?)"})re";

// Three-byte UTF-8 characters to draw names from.
constexpr const char kCharacters[] = "青锋白鹤云中客赤焰将军墨竹听雨林间月下霜天烈火破晓之刃星河流光夜色长风";

class Generator {
 public:
  std::string Name(int characters) {
    std::string name;
    const std::size_t count = (sizeof kCharacters - 1) / 3;
    for (int i = 0; i < characters; ++i) name.append(kCharacters + 3 * Next(count), 3);
    return name;
  }
  std::size_t Next(std::size_t bound) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>(state_ >> 33) % bound;
  }

 private:
  unsigned long long state_ = 42;
};

// A catalogue of at least bytes UTF-8 bytes, and how many heroes it lists.
std::string Catalogue(std::size_t bytes, int& heroes) {
  Generator random;
  std::string out = "[";
  heroes = 0;
  while (out.size() < bytes) {
    if (heroes > 0) out += ",";
    out += "{\"ename\":" + std::to_string(100 + heroes) + ",\"cname\":\"" + random.Name(2 + random.Next(3)) +
           "\",\"title\":\"" + random.Name(4) + "\",\"new_type\":0,\"hero_type\":" +
           std::to_string(1 + random.Next(6));
    if (random.Next(3) == 0) out += ",\"hero_type2\":" + std::to_string(1 + random.Next(6));
    out += ",\"skin_name\":\"";
    const std::size_t skins = 1 + random.Next(6);
    for (std::size_t s = 0; s < skins; ++s) {
      if (s > 0) out += "|";
      out += random.Name(2 + random.Next(3));
    }
    out += "\"}";
    ++heroes;
  }
  return out + "]";
}

struct Timing {
  double create_ms = 0;
  double read_ms = 0;
  double Total() const { return create_ms + read_ms; }
};

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// One run as the download job makes it. The bytes read back are added to
// read so that the reads cannot be left out.
Timing RunOnce(RegexObject& regex, const Text& pattern, const Text& catalogue, std::size_t& read) {
  const auto start = Clock::now();
  regex.Create(pattern, catalogue);
  const auto created = Clock::now();
  const int32_t n = regex.MatchCount();
  for (int32_t i = 1; i <= n; ++i) {
    read += regex.SubmatchText(i, 1).view().size();
    read += regex.SubmatchText(i, 2).view().size();
    read += regex.SubmatchText(i, 5).view().size();
  }
  return {Milliseconds(start, created), Milliseconds(created, Clock::now())};
}

Timing Median(std::vector<Timing> timings) {
  std::sort(timings.begin(), timings.end(), [](const Timing& a, const Timing& b) { return a.Total() < b.Total(); });
  return timings[timings.size() / 2];
}

}  // namespace
}  // namespace skinwall

int main(int argc, char** argv) {
  using namespace skinwall;
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const std::size_t sizes[] = {1, 4};  // megabytes of UTF-8
  std::vector<Text> catalogues;
  std::vector<int> heroes;
  for (const std::size_t megabytes : sizes) {
    int count = 0;
    catalogues.push_back(TextFromUtf8(Catalogue(megabytes << 20, count)));
    heroes.push_back(count);
  }

  // The sizes take turns, so that a busy machine slows both alike.
  RegexObject regex;
  const Text pattern(kCataloguePattern);
  std::vector<std::vector<Timing>> timings(std::size(sizes));
  std::vector<int32_t> matches(std::size(sizes));
  std::size_t read = 0;
  for (int r = 0; r < runs; ++r) {
    for (std::size_t s = 0; s < std::size(sizes); ++s) {
      timings[s].push_back(RunOnce(regex, pattern, catalogues[s], read));
      matches[s] = regex.MatchCount();
    }
  }

  int status = 0;
  double first = 0;
  for (std::size_t s = 0; s < std::size(sizes); ++s) {
    const Timing median = Median(timings[s]);
    if (s == 0) first = median.Total();
    std::printf("%zu MB catalogue: %d bytes in code page 936, %d heroes, %d matches; median of %d runs %.1f ms"
                " (Create %.1f ms, submatch reads %.1f ms)",
                sizes[s], catalogues[s].size(), heroes[s], matches[s], runs, median.Total(), median.create_ms,
                median.read_ms);
    if (s > 0) std::printf(", %.2f x the %zu MB time", median.Total() / first, sizes[0]);
    std::printf("\n");
    if (matches[s] != heroes[s]) status = 1;
  }
  if (read == 0) status = 1;
  return status;
}
