// Times the walking primitives over generated texts of 1 MB and 4 MB shaped
// like code page 936: ASCII words, digits and punctuation mixed with
// double-byte characters, whose second bytes include "|", "\" and letters so
// that the walk has to step over them. The median of several runs each; the
// 4 MB run should take about four times as long as the 1 MB one.
//
//   walking_bench [runs]      (default 7)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "runtime/walking.h"

namespace skinwall {
namespace {

class Generator {
 public:
  std::size_t Next(std::size_t bound) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>(state_ >> 33) % bound;
  }

 private:
  unsigned long long state_ = 936;
};

// A double-byte character: lead 0x81-0xFE, second byte 0x40-0xFE but 0x7F.
// One in eight has a second byte that reads as "|", "\" or a letter.
void AppendDoubleByte(std::string& out, Generator& random) {
  out += static_cast<char>(0x81 + random.Next(0x7E));
  static constexpr char kTricky[] = {'|', '\\', 'a', 'Z', 'x'};
  if (random.Next(8) == 0) {
    out += kTricky[random.Next(sizeof kTricky)];
  } else {
    out += static_cast<char>(0x80 + random.Next(0x7F));
  }
}

// About bytes of text in lines of fields separated by "|": ASCII words and
// runs of double-byte characters, a line break every few fields.
std::string GeneratedText(std::size_t bytes) {
  static constexpr const char* kWords[] = {"skin", "hero", "ename", "title", "jpg", "105", "Mage", "tank", "2016"};
  Generator random;
  std::string out;
  out.reserve(bytes + 64);
  while (out.size() < bytes) {
    const std::size_t fields = 2 + random.Next(6);
    for (std::size_t f = 0; f < fields; ++f) {
      if (f > 0) out += '|';
      if (random.Next(2) == 0) {
        out += kWords[random.Next(std::size(kWords))];
        if (random.Next(3) == 0) out += ' ';
      }
      const std::size_t characters = 1 + random.Next(5);
      for (std::size_t c = 0; c < characters; ++c) AppendDoubleByte(out, random);
    }
    out += "\r\n";
  }
  return out;
}

struct Operation {
  const char* name;
  std::function<std::size_t(const Text&)> run;  // gives a number that depends on the result
};

std::vector<Operation> Operations() {
  const Text absent("needle-not-here");
  const Text absent_folded("NEEDLE-NOT-HERE");
  const Text bar("|");
  const Text word("hero");
  const Text line_break("\r\n");
  return {
      {"FindText, absent (whole walk)",
       [=](const Text& t) { return static_cast<std::size_t>(FindText(t, absent) + 2); }},
      {"FindText, absent, ignoring case",
       [=](const Text& t) {
         return static_cast<std::size_t>(FindText(t, absent_folded, {.match = CaseMatch::kIgnoreCase}) + 2);
       }},
      {"ReplaceText \"|\" -> \", \" (every one)",
       [=](const Text& t) { return static_cast<std::size_t>(ReplaceText(t, bar, {.replacement = Text(", ")}).size()); }},
      {"ReplaceText \"hero\" deleted, ignoring case",
       [=](const Text& t) {
         return static_cast<std::size_t>(ReplaceText(t, word, {.match = CaseMatch::kIgnoreCase}).size());
       }},
      {"SplitText at \"|\"", [=](const Text& t) { return static_cast<std::size_t>(ElementCount(SplitText(t, bar))); }},
      {"SplitText at CR LF",
       [=](const Text& t) { return static_cast<std::size_t>(ElementCount(SplitText(t, line_break))); }},
  };
}

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace
}  // namespace skinwall

int main(int argc, char** argv) {
  using namespace skinwall;
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const std::size_t sizes[] = {1, 4};  // megabytes
  std::vector<Text> texts;
  for (const std::size_t megabytes : sizes) texts.emplace_back(GeneratedText(megabytes << 20));

  const std::vector<Operation> operations = Operations();
  // [operation][size] -> times in ms; the sizes take turns so that a busy
  // machine slows both alike.
  std::vector<std::vector<std::vector<double>>> times(operations.size(),
                                                      std::vector<std::vector<double>>(std::size(sizes)));
  std::size_t sink = 0;
  for (const Operation& operation : operations) sink += operation.run(texts[0]);  // warm-up, not timed
  for (int r = 0; r < runs; ++r) {
    for (std::size_t o = 0; o < operations.size(); ++o) {
      for (std::size_t s = 0; s < std::size(sizes); ++s) {
        const auto start = Clock::now();
        sink += operations[o].run(texts[s]);
        times[o][s].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      }
    }
  }

  std::printf("texts of %d and %d bytes (code page 936, mixed), median of %d runs\n", texts[0].size(),
              texts[1].size(), runs);
  std::printf("  %-44s %10s %10s %10s\n", "primitive", "1 MB ms", "4 MB ms", "4MB/1MB");
  int status = 0;
  for (std::size_t o = 0; o < operations.size(); ++o) {
    const double small = Median(times[o][0]);
    const double large = Median(times[o][1]);
    const double ratio = large / small;
    std::printf("  %-44s %10.2f %10.2f %9.2fx%s\n", operations[o].name, small, large, ratio,
                ratio > 5.0 ? "  (more than linear)" : "");
  }
  std::printf("  target: about 4x (linear growth)\n");
  if (sink == 0) status = 1;
  return status;
}
