// Searching a catalogue of 1,000 disks x 1,000 thumbnails with realistic paths (40 to 90 bytes of
// Latin and Cyrillic folder and file names), beside the plainest search there is: memmem of the
// same word(s) over each path in turn, case and all, the paths copied back to back. The figures
// to hold: a word in at most 30 ms, three words with an exclusion in at most 60 ms, either at
// most twice the plain loop's time, and memory of the path bytes and nothing a thumbnail besides
// (memory/path; a disk costs 8 bytes).
// The same catalogue with facts (nine thumbnails in ten have a date taken, most a camera, some a
// position) is searched by field words: a range of days alone, with a word, a camera's name, and
// the plain word again; each in at most 30 ms. The facts cost 13 bytes a thumbnail
// (memory/thumb beyond the paths).
#include <benchmark/benchmark.h>
#include <string.h>  // memmem

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "catalog/catalog_index.h"
#include "catalog/catalog_search.h"
#include "catalog/cp1251.h"
#include "catalog/stream.h"
#include "ratio_reporter.h"
#include "support/hand_facts.h"
#include "support/realistic_catalog.h"

namespace {

using quorvel::CatalogSearch;
using quorvel::SearchQuery;

constexpr int kDisks = 1000;
constexpr int kThumbsPerDisk = 1000;

// The queries as typed, and the same words as the paths store them, for the plain loop.
constexpr char kOneWord[] = "крым";
constexpr char kOneWordStored[] = "Крым";
constexpr char kThreeWords[] = "photos 2011 -dsc";
constexpr const char* kThreeWordsStored[] = {"Photos", "2011", "DSC"};

struct Catalogue {
  quorvel::CatalogIndex index;
  std::string paths;                   // every path, unfolded, back to back
  std::vector<std::string_view> each;  // into `paths`
};

const Catalogue& Large() {
  static const Catalogue catalogue = [] {
    Catalogue c;
    c.index = quorvel::BuildIndex(quorvel::testkit::RealisticCatalog(kDisks, kThumbsPerDisk, 2004));
    std::vector<std::size_t> ends;
    for (const quorvel::CatInfo& disk : c.index.Disks) {
      for (const quorvel::Disc& thumb : disk.Thumbs) {
        c.paths += thumb.Name();
        ends.push_back(c.paths.size());
      }
    }
    std::size_t begin = 0;
    for (const std::size_t end : ends) {
      c.each.emplace_back(c.paths.data() + begin, end - begin);
      begin = end;
    }
    return c;
  }();
  return catalogue;
}

const CatalogSearch& Search() {
  static const CatalogSearch search(Large().index);
  return search;
}

// The facts a thumbnail of the large catalogue is given: dates over 2004 to 2024, cameras of a
// dozen names, the same for the same thumbnail on every run.
quorvel::testkit::HandFacts FactsOf(std::uint32_t thumb) {
  static const char* const kCameras[] = {
      "Canon EOS 70D", "Canon EOS 5D Mark III", "Canon PowerShot A620", "NIKON D750",
      "NIKON D3100",   "Apple iPhone 12",       "Apple iPhone 6s",      "SONY ILCE-7M3",
      "FUJIFILM X-T3", "OLYMPUS E-M10",         "Samsung SM-G991B",     "Panasonic DMC-FZ200"};
  std::uint32_t x = thumb * 2654435761u + 12345u;  // a hash of the thumbnail's number
  const auto next = [&x](std::uint32_t n) {
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    return x % n;
  };
  quorvel::testkit::HandFacts facts;
  if (next(10) == 0) return facts;
  facts.taken =
      quorvel::testkit::ClockSeconds(2004, 1, 1) + std::int64_t{next(7671)} * 86400 + next(86400);
  if (next(7) != 0) facts.camera = kCameras[next(12)];
  facts.width = 4000;
  facts.height = 3000;
  facts.file_size = 1000000 + next(5000000);
  facts.has_position = next(3) == 0;
  return facts;
}

const quorvel::CatalogIndex& LargeWithFacts() {
  static const quorvel::CatalogIndex index = [] {
    quorvel::CatalogIndex copy = Large().index;
    std::uint32_t thumb = 0;
    for (std::size_t d = 0; d < copy.Disks.size(); ++d) {
      std::vector<quorvel::testkit::HandFacts> facts;
      for (int j = 0; j < copy.Disks[d].ThumbCount; ++j) facts.push_back(FactsOf(thumb++));
      quorvel::testkit::GiveFacts(copy, d, facts);
    }
    return copy;
  }();
  return index;
}

const CatalogSearch& SearchWithFacts() {
  static const CatalogSearch search(LargeWithFacts());
  return search;
}

void BM_Build(benchmark::State& state) {
  const Catalogue& c = Large();
  CatalogSearch search;
  for (auto _ : state) {
    search.Build(c.index);
    benchmark::DoNotOptimize(search.MemoryBytes());
  }
  state.counters["memory_MB"] = static_cast<double>(search.MemoryBytes()) / 1e6;
  state.counters["path_MB"] = static_cast<double>(c.paths.size()) / 1e6;
  state.counters["memory/path"] =
      static_cast<double>(search.MemoryBytes()) / static_cast<double>(c.paths.size());
  state.counters["path_B_avg"] =
      static_cast<double>(c.paths.size()) / static_cast<double>(c.each.size());
  const auto [shortest, longest] = std::minmax_element(
      c.each.begin(), c.each.end(), [](auto a, auto b) { return a.size() < b.size(); });
  state.counters["path_B_min"] = static_cast<double>(shortest->size());
  state.counters["path_B_max"] = static_cast<double>(longest->size());
}
BENCHMARK(BM_Build)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BuildWithFacts(benchmark::State& state) {
  const quorvel::CatalogIndex& index = LargeWithFacts();
  CatalogSearch search;
  for (auto _ : state) {
    search.Build(index);
    benchmark::DoNotOptimize(search.MemoryBytes());
  }
  state.counters["memory_MB"] = static_cast<double>(search.MemoryBytes()) / 1e6;
  state.counters["memory/thumb"] =
      static_cast<double>(search.MemoryBytes() - Large().paths.size()) /
      static_cast<double>(index.TotalThumbs());
}
BENCHMARK(BM_BuildWithFacts)->Unit(benchmark::kMillisecond)->UseRealTime();

void Find(benchmark::State& state, const char* text, bool with_facts = false) {
  const CatalogSearch& search = with_facts ? SearchWithFacts() : Search();
  const quorvel::CatalogIndex& index = with_facts ? LargeWithFacts() : Large().index;
  std::size_t found = 0;
  for (auto _ : state) {
    const std::vector<quorvel::ThumbRef> refs = search.Find(SearchQuery::Parse(text), index);
    found = refs.size();
    benchmark::DoNotOptimize(refs.data());
  }
  state.counters["found"] = static_cast<double>(found);
}

void BM_FindOneWord(benchmark::State& state) { Find(state, kOneWord); }
BENCHMARK(BM_FindOneWord)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindThreeWords(benchmark::State& state) { Find(state, kThreeWords); }
BENCHMARK(BM_FindThreeWords)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FactsDateRange(benchmark::State& state) {
  Find(state, "дата:2019-07-01..2019-08-15", true);
}
BENCHMARK(BM_FactsDateRange)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FactsWideDateRange(benchmark::State& state) { Find(state, "дата:2010..2019", true); }
BENCHMARK(BM_FactsWideDateRange)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FactsDateRangeAndWord(benchmark::State& state) {
  Find(state, "дата:2010..2019 крым", true);
}
BENCHMARK(BM_FactsDateRangeAndWord)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FactsCamera(benchmark::State& state) { Find(state, "камера:canon", true); }
BENCHMARK(BM_FactsCamera)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FactsOneWord(benchmark::State& state) { Find(state, kOneWord, true); }
BENCHMARK(BM_FactsOneWord)->Unit(benchmark::kMillisecond)->UseRealTime();

bool Holds(std::string_view path, std::string_view word) {
  return memmem(path.data(), path.size(), word.data(), word.size()) != nullptr;
}

void BM_MemmemOneWord(benchmark::State& state) {
  const Catalogue& c = Large();
  const std::string word = quorvel::Utf8ToCp1251(kOneWordStored);
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (const std::string_view path : c.each) found += Holds(path, word);
    benchmark::DoNotOptimize(found);
  }
  state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_MemmemOneWord)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemmemThreeWords(benchmark::State& state) {
  const Catalogue& c = Large();
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (const std::string_view path : c.each) {
      found += Holds(path, kThreeWordsStored[0]) && Holds(path, kThreeWordsStored[1]) &&
               !Holds(path, kThreeWordsStored[2]);
    }
    benchmark::DoNotOptimize(found);
  }
  state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_MemmemThreeWords)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return quorvel::RatioReporter::RunAll(
      argc, argv,
      {{"BM_FindOneWord", "BM_MemmemOneWord"}, {"BM_FindThreeWords", "BM_MemmemThreeWords"}});
}
