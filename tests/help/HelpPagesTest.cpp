// The help folder against the statistics registry: every entry the registry can have finds its
// page, every link between the pages leads somewhere, and every worked example shows what the
// engine computes for it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/SortaUtils.h"
#include "stats/StatList.h"

namespace kivra {
namespace {

namespace fs = std::filesystem;

const fs::path HelpDir = KIVRA_HELP_DIR;

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The entity references the pages use for text (the pages are UTF-8, nothing else is escaped).
std::string Unescape(std::string text) {
  static const std::pair<std::string_view, std::string_view> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#x27;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : entities)
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
  return text;
}

std::vector<std::string> Matches(const std::string& text, const std::regex& re, int group = 1) {
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    found.push_back((*it)[group].str());
  return found;
}

std::vector<fs::path> Pages() {
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(HelpDir))
    if (entry.path().extension() == ".htm" || entry.path().extension() == ".html") pages.push_back(entry.path());
  std::sort(pages.begin(), pages.end());
  return pages;
}

bool IsStatisticPage(const fs::path& page) { return page.filename().string().rfind("Filters_1049_", 0) == 0; }

// A few draws so that every class that looks at the archive is available.
TDrawsArray SomeDraws() {
  TDrawsArray draws;
  const TComb nums[] = {{3, 17, 22, 31, 40}, {8, 17, 25, 33, 44}, {2, 11, 25, 36, 41}, {5, 11, 19, 36, 42}};
  for (const TComb& n : nums) draws.push_back(TDraw{.Number = static_cast<int32_t>(draws.size() + 1), .Nums = n});
  return draws;
}

TEST(HelpPages, EveryRegisteredEntryOpensAnExistingPage) {
  // The default settings and two others that change the number of channels, columns, rows and
  // segments (and so the parameterised entries).
  TConfigData wide;
  wide.MatrixCols = 9;
  wide.ChannelSize = 3;
  for (int n = 0; n < MaxNumber; ++n) wide.Segments[n] = static_cast<uint8_t>(1 + n / 9);
  TConfigData narrow;
  narrow.MatrixCols = 2;
  narrow.ChannelSize = 12;
  for (int n = 0; n < MaxNumber; ++n) narrow.Segments[n] = static_cast<uint8_t>(n < 20 ? 2 : 7);
  const struct {
    const char* name;
    TConfigData config;
  } configs[] = {{"default", TConfigData{}}, {"wide", wide}, {"narrow", narrow}};

  const TDrawsArray draws = SomeDraws();
  std::set<std::string> used;
  for (const auto& c : configs) {
    TStatList list;
    list.SetDraws(&draws);
    list.SetConfig(c.config, TShreddingConfig{});
    list.Build();
    ASSERT_GT(list.Count(), 0) << c.name;
    for (int i = 0; i < list.Count(); ++i) {
      const TStatMethod& m = list.Item(i);
      const std::string page = m.StatClass->HelpPageFor(m.Param);
      EXPECT_TRUE(fs::is_regular_file(HelpDir / page)) << c.name << ": " << list.Code(i) << " -> " << page;
      used.insert(page);
    }
  }
  // And no page describes a statistic the registry never offers.
  for (const fs::path& page : Pages()) {
    EXPECT_TRUE(!IsStatisticPage(page) || used.count(page.filename().string())) << "page of no entry: " << page;
  }
}

TEST(HelpPages, EveryLinkResolves) {
  const std::regex link(R"re((?:href|src)="([^"]*)")re");
  const std::regex anchor(R"re(id="([^"]*)")re");
  std::map<fs::path, std::set<std::string>> anchors;
  for (const fs::path& page : Pages())
    for (const std::string& id : Matches(ReadText(page), anchor)) anchors[page.filename()].insert(id);

  std::set<std::string> fromIndex;
  for (const fs::path& page : Pages()) {
    const std::string text = ReadText(page);
    for (const std::string& target : Matches(text, link)) {
      if (target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0) continue;
      const size_t hash = target.find('#');
      const fs::path file = hash == 0 ? page.filename() : fs::path(target.substr(0, hash));
      const std::string id = hash == std::string::npos ? "" : target.substr(hash + 1);
      EXPECT_FALSE(target.empty() || file.has_parent_path() || target.find(':') != std::string::npos)
          << page.filename() << ": " << target << " must name a file of the help folder";
      EXPECT_TRUE(fs::is_regular_file(HelpDir / file)) << page.filename() << ": " << target;
      EXPECT_TRUE(id.empty() || anchors[file].count(id)) << page.filename() << ": " << target;
      if (page.filename() == "index.html") fromIndex.insert(file.string());
    }
    // Every statistic page leads back to the index.
    EXPECT_TRUE(!IsStatisticPage(page) || text.find(R"(href="index.html")") != std::string::npos) << page;
  }
  for (const fs::path& page : Pages()) {
    EXPECT_TRUE(!IsStatisticPage(page) || fromIndex.count(page.filename().string())) << "not in the index: " << page;
  }
}

// One marked example of a page: the draws oldest first, the combination and the value captions.
struct TExample {
  std::string Code;
  std::vector<TComb> Draws;
  TComb Comb{};
  std::vector<std::string> Values;
};

std::vector<TExample> ReadExamples(const std::string& text) {
  const std::regex block(R"re(<div class="example" data-code="([^"]+)">([\s\S]*?)</div>)re");
  const std::regex draw(R"re(<li class="draw">([^<]*)</li>)re");
  const std::regex comb(R"re(<span class="comb">([^<]*)</span>)re");
  const std::regex value(R"re(<li class="value">([^<]*)</li>)re");
  std::vector<TExample> examples;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), block); it != std::sregex_iterator(); ++it) {
    TExample ex;
    ex.Code = Unescape((*it)[1].str());
    const std::string body = (*it)[2].str();
    for (const std::string& d : Matches(body, draw)) ex.Draws.push_back(TextToComb(d));
    const auto combs = Matches(body, comb);
    if (combs.size() == 1) ex.Comb = TextToComb(combs[0]);
    for (const std::string& v : Matches(body, value)) ex.Values.push_back(Unescape(v));
    examples.push_back(std::move(ex));
  }
  return examples;
}

TEST(HelpPages, EveryExampleRecomputes) {
  int pages = 0;
  for (const fs::path& page : Pages()) {
    if (!IsStatisticPage(page)) continue;
    ++pages;
    const std::vector<TExample> examples = ReadExamples(ReadText(page));
    ASSERT_EQ(examples.size(), 1u) << page;
    const TExample& ex = examples[0];
    ASSERT_GE(ex.Draws.size(), 3u) << page;
    TDrawsArray draws;
    for (const TComb& nums : ex.Draws)
      draws.push_back(TDraw{.Number = static_cast<int32_t>(draws.size() + 1), .Nums = nums});
    TStatList list;
    list.SetDraws(&draws);
    list.Build();
    const int entry = list.FindCode(ex.Code);
    ASSERT_GE(entry, 0) << page << ": " << ex.Code;
    // The example is the page's own statistic (a member of the family for a shared page).
    EXPECT_EQ(page.filename().string(), list.Item(entry).StatClass->HelpPageFor(list.Item(entry).Param));
    auto stat = list.CreateStat(entry);
    TStatDrawArray values;
    ASSERT_TRUE(stat->FilterViewValues(ex.Comb, static_cast<int>(draws.size()) - 1, false, values)) << page;
    std::vector<std::string> captions;
    for (const TStatDrawRec& rec : values) captions.push_back(stat->ValueCaption(rec));
    EXPECT_EQ(captions, ex.Values) << page;
  }
  EXPECT_GT(pages, 0);
}

}  // namespace
}  // namespace kivra
