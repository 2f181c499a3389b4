// Searching a catalogue of 1,000 disks x 1,000 thumbnails with realistic paths (40 to 90 bytes of
// Latin and Cyrillic folder and file names), beside the plainest search there is: memmem of the
// same word(s) over each path in turn, case and all, the paths copied back to back. The figures
// to hold: a word in at most 30 ms, three words with an exclusion in at most 60 ms, either at
// most twice the plain loop's time, and memory of the path bytes and nothing a thumbnail besides
// (memory/path; a disk costs 8 bytes).
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

void Find(benchmark::State& state, const char* text) {
  const CatalogSearch& search = Search();
  std::size_t found = 0;
  for (auto _ : state) {
    const std::vector<quorvel::ThumbRef> refs =
        search.Find(SearchQuery::Parse(text), Large().index);
    found = refs.size();
    benchmark::DoNotOptimize(refs.data());
  }
  state.counters["found"] = static_cast<double>(found);
}

void BM_FindOneWord(benchmark::State& state) { Find(state, kOneWord); }
BENCHMARK(BM_FindOneWord)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindThreeWords(benchmark::State& state) { Find(state, kThreeWords); }
BENCHMARK(BM_FindThreeWords)->Unit(benchmark::kMillisecond)->UseRealTime();

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
