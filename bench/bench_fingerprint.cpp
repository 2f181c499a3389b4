// The picture fingerprint over the set that make_lookalike_set.sh builds: every original and
// altered copy made into its thumbnail by the scan's own renderer, stored with AppendJpeg, and
// fingerprinted from the stored JPEG, once with the picture's size in its facts (as new
// catalogues store it) and once without (as old ones, whose margins are found from the pixels).
// Prints recall and precision of the copy groups LookalikeIndex finds, per alteration, the
// distances behind the thresholds and the look-alike list's reach; then Google Benchmark
// measures fingerprints per second from stored thumbnails on one and two threads.
//
//   bench_fingerprint SET_FOLDER [--benchmark_...]
//
// The thumbnails are kept in SET_FOLDER/thumbnails.cache after the first run; delete it after
// changing the set or the renderer.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "catalog/lookalike_index.h"
#include "catalog/picture_area.h"
#include "catalog/picture_facts.h"
#include "catalog/picture_fingerprint.h"
#include "catalog/thumbnail_jpeg.h"
#include "scan/thumbnail_renderer.h"

namespace quorvel {
namespace {

struct Item {
  std::string picture;     // the original's name: what the item is a copy of
  std::string alteration;  // "original", "half", "quarter", "q50", "crop", "bright", "png"
  Bytes plain;             // the stored thumbnail without facts
  Bytes sized;             // the same pixels with the picture's size among its facts
};

// The thumbnails of the set, rendered once and then read from the cache.
std::vector<Item> LoadItems(const QString& folder) {
  std::vector<Item> items;
  QFile cache(folder + "/thumbnails.cache");
  if (cache.open(QIODevice::ReadOnly)) {
    QDataStream in(&cache);
    while (!in.atEnd()) {
      QByteArray picture, alteration, plain, sized;
      in >> picture >> alteration >> plain >> sized;
      items.push_back({picture.toStdString(), alteration.toStdString(),
                       Bytes(plain.begin(), plain.end()), Bytes(sized.begin(), sized.end())});
    }
    return items;
  }
  QStringList files;
  for (const QString& sub : {QString("originals"), QString("copies")}) {
    for (const QFileInfo& info : QDir(folder + "/" + sub).entryInfoList(QDir::Files, QDir::Name)) {
      files << info.filePath();
    }
  }
  JpegEncoder encoder;
  for (const QString& path : files) {
    QString error;
    const QImage thumbnail = RenderThumbnail(path, &error);
    if (thumbnail.isNull()) {
      std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(error));
      continue;
    }
    const QImage rgb = thumbnail.convertToFormat(QImage::Format_RGB888);
    const RgbView view{rgb.constBits(), rgb.width(), rgb.height(),
                       static_cast<int>(rgb.bytesPerLine())};
    PictureFacts facts;
    const QSize size = QImageReader(path).size();
    facts.width = size.width();
    facts.height = size.height();
    Item item;
    const QString base = QFileInfo(path).completeBaseName();
    const int split = base.indexOf("__");
    item.picture = (split < 0 ? base : base.left(split)).toStdString();
    item.alteration = split < 0 ? "original" : base.mid(split + 2).toStdString();
    encoder.Append(item.plain, view);
    encoder.Append(item.sized, view, EncodeFactsSegments(facts));
    items.push_back(std::move(item));
  }
  if (cache.open(QIODevice::WriteOnly)) {
    QDataStream out(&cache);
    for (const Item& item : items) {
      out << QByteArray::fromStdString(item.picture) << QByteArray::fromStdString(item.alteration)
          << QByteArray(reinterpret_cast<const char*>(item.plain.data()), item.plain.size())
          << QByteArray(reinterpret_cast<const char*>(item.sized.data()), item.sized.size());
    }
  }
  return items;
}

// How well the margins found from the pixels match where the scan placed the picture.
void ReportMargins(const std::vector<Item>& items) {
  int exact = 0, within_one = 0, measured = 0, worst = 0;
  for (const Item& item : items) {
    const PictureFacts facts = ReadPictureFacts(item.sized);
    GreyImage thumbnail;
    if (!DecodeJpegLuminance(item.plain, thumbnail)) continue;
    const auto found = AreaFromMargins(
        {thumbnail.pixels.data(), thumbnail.width, thumbnail.height, thumbnail.width});
    if (!found) continue;
    ++measured;
    const PictureArea placed = PlacedArea(facts.width, facts.height, thumbnail.width);
    int error = 0;
    for (const auto& [got, want] : {std::pair{found->x, placed.x}, std::pair{found->y, placed.y}}) {
      error = std::max({error, std::abs(got.start - want.start),
                        std::abs(got.start + got.length - want.start - want.length)});
    }
    exact += error == 0;
    within_one += error <= 1;
    worst = std::max(worst, error);
  }
  std::printf(
      "\nmargins found from pixels against the placed area: %d of %d exact (%.1f %%), %d "
      "(%.1f %%) within 1 pixel at every edge, worst edge %d pixels off\n",
      exact, measured, 100.0 * exact / measured, within_one, 100.0 * within_one / measured, worst);
}

// The copy groups as the program finds them (LookalikeIndex): each thumbnail's group, or a
// number of its own when it has no copy.
struct CopyGroupsOf {
  std::vector<int> group;
  explicit CopyGroupsOf(const std::vector<std::optional<Fingerprint>>& prints)
      : group(prints.size()) {
    std::iota(group.begin(), group.end(), 0);
    std::vector<ThumbPrint> indexed;
    for (std::size_t i = 0; i < prints.size(); ++i) {
      if (prints[i]) indexed.push_back({ThumbRef{0, static_cast<std::int32_t>(i)}, *prints[i]});
    }
    const LookalikeIndex index(std::move(indexed), 1);
    for (const auto& members : index.CopyGroups()) {
      for (const ThumbRef& member : members) group[member.thumb] = members.front().thumb;
    }
  }
  int Find(int i) const { return group[i]; }
};

void PrintHistogram(const char* title, const std::vector<int>& values, int upto) {
  std::vector<int> counts(upto + 2);
  for (int v : values) ++counts[std::min(v, upto + 1)];
  std::printf("  %-34s", title);
  for (int d = 0; d <= upto + 1; ++d) std::printf(" %d", counts[d]);
  std::printf("   (distance 0..%d, then more)\n", upto);
}

void Report(const std::vector<Item>& items, bool sized) {
  const int n = static_cast<int>(items.size());
  std::vector<std::optional<Fingerprint>> prints(n);
  int missing = 0;
  for (int i = 0; i < n; ++i) {
    prints[i] = FingerprintOfThumbnail(sized ? items[i].sized : items[i].plain);
    if (!prints[i]) {
      ++missing;
      std::printf("  no fingerprint: %s %s\n", items[i].picture.c_str(),
                  items[i].alteration.c_str());
    }
  }
  std::map<std::string, int> original_of;
  for (int i = 0; i < n; ++i) {
    if (items[i].alteration == "original") original_of[items[i].picture] = i;
  }
  const CopyGroupsOf groups(prints);
  std::vector<int> cross_distance, cross_shape;
  std::vector<int> nearest_other(n, 999);
  for (int i = 0; i < n; ++i) {
    if (!prints[i]) continue;
    for (int j = i + 1; j < n; ++j) {
      if (!prints[j]) continue;
      if (items[i].picture != items[j].picture) {
        const int d = Distance(*prints[i], *prints[j]);
        cross_distance.push_back(d);
        cross_shape.push_back(ShapeDistance(*prints[i], *prints[j]));
        nearest_other[i] = std::min(nearest_other[i], d);
        nearest_other[j] = std::min(nearest_other[j], d);
      }
    }
  }
  std::printf("\n== picture size %s: %d thumbnails, %d without a fingerprint\n",
              sized ? "KNOWN (facts)" : "UNKNOWN (margins from pixels)", n, missing);
  // Recall per alteration, and the distances of each copy to its original.
  std::map<std::string, std::pair<int, int>> recall;  // alteration -> (found, all)
  std::map<std::string, std::vector<int>> copy_distance, copy_shape;
  // A blank original rightly has no fingerprint; its copies are not counted.
  int within_lookalike = 0, copies = 0, blank_copies = 0;
  for (int i = 0; i < n; ++i) {
    if (items[i].alteration == "original") continue;
    const int o = original_of.at(items[i].picture);
    if (!prints[o]) {
      blank_copies += prints[i] ? 0 : 1;
      continue;
    }
    ++copies;
    auto& [found, all] = recall[items[i].alteration];
    ++all;
    if (prints[i] && prints[o] && groups.Find(i) == groups.Find(o)) ++found;
    if (prints[i] && prints[o]) {
      const int d = Distance(*prints[i], *prints[o]);
      copy_distance[items[i].alteration].push_back(d);
      copy_shape[items[i].alteration].push_back(ShapeDistance(*prints[i], *prints[o]));
      if (d <= kLookAlikeDistance) ++within_lookalike;
    }
  }
  int found_all = 0;
  for (const auto& [alteration, counts] : recall) {
    std::printf("  recall %-8s %3d / %3d = %5.1f %%\n", alteration.c_str(), counts.first,
                counts.second, 100.0 * counts.first / counts.second);
    found_all += counts.first;
  }
  std::printf(
      "  RECALL all      %4d / %4d = %5.1f %% (copies of %d blank originals left out, %d "
      "of them blank too)\n",
      found_all, copies, 100.0 * found_all / copies,
      static_cast<int>(std::count_if(original_of.begin(), original_of.end(),
                                     [&](const auto& entry) { return !prints[entry.second]; })),
      blank_copies);
  // Precision over the pairs within groups.
  std::map<int, std::map<std::string, long>> members;
  for (int i = 0; i < n; ++i) {
    if (prints[i]) ++members[groups.Find(i)][items[i].picture];
  }
  long pairs = 0, true_pairs = 0, merged_groups = 0;
  for (const auto& [root, pictures] : members) {
    long size = 0;
    for (const auto& [picture, count] : pictures) {
      size += count;
      true_pairs += count * (count - 1) / 2;
    }
    pairs += size * (size - 1) / 2;
    if (pictures.size() > 1) {
      ++merged_groups;
      std::printf("  group of %ld joins:", size);
      for (const auto& [picture, count] : pictures) std::printf(" %s(%ld)", picture.c_str(), count);
      std::printf("\n");
    }
  }
  std::printf("  PRECISION       %ld / %ld = %5.1f %% (%ld groups join pictures)\n", true_pairs,
              pairs, 100.0 * true_pairs / std::max(1L, pairs), merged_groups);
  std::printf("  distances, copy to its original, per alteration:\n");
  for (const auto& [alteration, values] : copy_distance) {
    PrintHistogram((alteration + " Distance").c_str(), values, 40);
    PrintHistogram((alteration + " ShapeDistance").c_str(), copy_shape[alteration], 20);
  }
  std::printf("  distances between thumbnails of different pictures (%zu pairs):\n",
              cross_distance.size());
  PrintHistogram("all pairs Distance", cross_distance, 40);
  PrintHistogram("all pairs ShapeDistance", cross_shape, 20);
  std::vector<int> nearest;
  for (int i = 0; i < n; ++i) {
    if (prints[i] && nearest_other[i] < 999) nearest.push_back(nearest_other[i]);
  }
  PrintHistogram("nearest other picture Distance", nearest, 40);
  // The look-alike list of each original: its copies and the other pictures it would show.
  long others_listed = 0;
  int originals_with_others = 0, max_others = 0;
  for (const auto& [picture, o] : original_of) {
    if (!prints[o]) continue;
    int others = 0;
    for (int j = 0; j < n; ++j) {
      if (prints[j] && items[j].picture != picture &&
          Distance(*prints[o], *prints[j]) <= kLookAlikeDistance) {
        ++others;
      }
    }
    others_listed += others;
    originals_with_others += others > 0;
    max_others = std::max(max_others, others);
  }
  std::printf(
      "  look-alikes (Distance <= %d): %d / %d copies = %.1f %% within it of their original;"
      " each original lists %.2f thumbnails of other pictures on average (at most %d; %d of %zu "
      "originals list any)\n",
      kLookAlikeDistance, within_lookalike, copies, 100.0 * within_lookalike / copies,
      static_cast<double>(others_listed) / original_of.size(), max_others, originals_with_others,
      original_of.size());
}

// Fingerprints from stored thumbnails, decoding included: with the size among their facts (as
// new catalogues store them, no fingerprint stored yet) or without it (old ones).
void FingerprintThumbnails(benchmark::State& state, const std::vector<Item>& items, bool sized) {
  std::size_t at = static_cast<std::size_t>(state.thread_index()) * 7919 % items.size();
  int found = 0;
  for (auto _ : state) {
    found += FingerprintOfThumbnail(sized ? items[at].sized : items[at].plain).has_value();
    if (++at == items.size()) at = 0;
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations());
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: %s SET_FOLDER [--benchmark_...]\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  std::vector<quorvel::Item> items = quorvel::LoadItems(QString::fromLocal8Bit(argv[1]));
  if (items.empty()) {
    std::fprintf(stderr, "no pictures under %s\n", argv[1]);
    return 1;
  }
  quorvel::ReportMargins(items);
  quorvel::Report(items, true);
  quorvel::Report(items, false);
  for (const bool sized : {true, false}) {
    benchmark::RegisterBenchmark(
        sized ? "FingerprintOfThumbnail/size_known" : "FingerprintOfThumbnail/size_unknown",
        [&items, sized](benchmark::State& state) {
          quorvel::FingerprintThumbnails(state, items, sized);
        })
        ->Threads(1)
        ->Threads(2)
        ->UseRealTime();
  }
  argv[1] = argv[0];
  int bench_argc = argc - 1;
  benchmark::Initialize(&bench_argc, argv + 1);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
