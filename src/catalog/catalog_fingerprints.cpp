#include "catalog/catalog_fingerprints.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "catalog/catalog_edits.h"
#include "catalog/format.h"
#include "catalog/picture_facts.h"

namespace quorvel {
namespace {

// What one worker takes at a time: small enough that a stop is heard within a few thumbnails'
// decoding, large enough that the shared counter is seldom touched.
constexpr std::int64_t kBatch = 32;
// How often the calling thread tells the progress and asks whether to stop.
constexpr auto kPollInterval = std::chrono::milliseconds(50);

struct Outcome {
  std::optional<Fingerprint> print;
  bool computed = false;
};

// The fingerprint of one thumbnail, whose JPEG begins with `head` (its first kFactsHeadBytes, or
// all of it): the one its facts carry, read from the head when the head holds them, else from
// the whole JPEG, computed from its pixels when it has none. PieceList::Read only reads (pread
// on a shared descriptor, no position kept), so several threads may call it on one version.
Outcome ThumbnailPrint(const CatalogVersion& version, const CatInfo& disk, const Disc& thumb,
                       ByteView head) {
  PictureFacts facts = ReadOwnFacts(head);
  if (facts.fingerprint || facts.no_picture) return {facts.fingerprint, false};
  Bytes whole;
  if (static_cast<std::int64_t>(head.size()) < thumb.JpegSize) {
    whole = version.Jpeg(disk, thumb);
    facts = ReadOwnFacts(whole);  // facts too long for the head
    if (facts.fingerprint || facts.no_picture) return {facts.fingerprint, false};
  }
  const auto print = FingerprintOfThumbnail(whole.empty() ? head : ByteView(whole));
  return {print, print.has_value()};
}

// Thumbnails [first, last) of `disk`, each with the head of its JPEG: read in one go, since
// they lie back to back and one read of a few dozen kilobytes costs less than a read each.
void ReadThumbnails(const CatalogVersion& version, const CatInfo& disk, std::size_t first,
                    std::size_t last, Outcome* out) {
  const auto head_size = [](const Disc& thumb) {
    return std::min<std::int64_t>(thumb.JpegSize, kFactsHeadBytes);
  };
  const std::int64_t from = disk.JpegPos(disk.Thumbs[first]);
  const Disc& end = disk.Thumbs[last - 1];
  const Bytes window = version.bytes.Read(from, disk.JpegPos(end) + head_size(end) - from);
  for (std::size_t j = first; j < last; ++j) {
    const Disc& thumb = disk.Thumbs[j];
    const ByteView head =
        ByteView(window).subspan(static_cast<std::size_t>(disk.JpegPos(thumb) - from),
                                 static_cast<std::size_t>(head_size(thumb)));
    *out++ = ThumbnailPrint(version, disk, thumb, head);
  }
}

}  // namespace

bool CatalogFingerprints::Update(const CatalogVersion& version, const ProgressCallback& progress,
                                 const std::function<bool()>& stop, int threads) {
  const CatalogIndex& index = version.index;
  // The disks to read, each with its first thumbnail's place in one numbering of all of them.
  std::vector<std::size_t> todo;
  std::vector<std::int64_t> first;
  std::int64_t total = 0;
  for (std::size_t d = 0; d < index.Disks.size(); ++d) {
    if (Knows(index.Disks[d])) continue;
    todo.push_back(d);
    first.push_back(total);
    total += index.Disks[d].ThumbCount;
  }
  std::vector<Outcome> outcomes(static_cast<std::size_t>(total));
  if (progress) progress(0, total);

  if (total > 0) {
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    threads = static_cast<int>(std::min<std::int64_t>(threads, (total + kBatch - 1) / kBatch));
    std::atomic<std::int64_t> next{0};
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable finished;
    std::int64_t done = 0;
    int running = threads;
    std::exception_ptr failure;
    const auto work = [&] {
      std::int64_t mine = 0;  // finished since last told
      try {
        for (;;) {
          const std::int64_t start = next.fetch_add(kBatch);
          if (start >= total || cancel) break;
          const std::int64_t end = std::min(start + kBatch, total);
          // The disk of `start`: the last whose first thumbnail is not after it.
          std::size_t k = static_cast<std::size_t>(
              std::upper_bound(first.begin(), first.end(), start) - first.begin() - 1);
          // The batch, disk by disk.
          for (std::int64_t i = start; i < end && !cancel; ++k) {
            const CatInfo& disk = index.Disks[todo[k]];
            const std::int64_t last = std::min(end, first[k] + disk.ThumbCount);
            if (last == i) continue;  // a disk without thumbnails
            ReadThumbnails(version, disk, static_cast<std::size_t>(i - first[k]),
                           static_cast<std::size_t>(last - first[k]),
                           &outcomes[static_cast<std::size_t>(i)]);
            mine += last - i;
            i = last;
          }
          std::lock_guard lock(mutex);
          done += std::exchange(mine, 0);
        }
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        cancel = true;
      }
      std::lock_guard lock(mutex);
      --running;
      finished.notify_all();
    };
    std::vector<std::jthread> workers;
    workers.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t) workers.emplace_back(work);
    {
      // Asked at least once, however fast the work: a stop asked for is never missed.
      std::unique_lock lock(mutex);
      do {
        finished.wait_for(lock, kPollInterval, [&] { return running == 0; });
        const std::int64_t so_far = done;
        lock.unlock();
        if (stop && !cancel && stop()) cancel = true;
        if (progress && !cancel) progress(so_far, total);
        lock.lock();
      } while (running > 0);
    }
    workers.clear();  // joined
    if (failure) std::rethrow_exception(failure);
    if (cancel) return false;
  }

  // Only now is anything changed: a stop or a failure keeps what was known.
  for (auto it = disks_.begin(); it != disks_.end();) {
    it = it->second.storage.expired() ? disks_.erase(it) : std::next(it);
  }
  for (std::size_t k = 0; k < todo.size(); ++k) {
    const CatInfo& disk = index.Disks[todo[k]];
    Entry entry{disk.Storage, {}};
    const auto begin = outcomes.begin() + first[k];
    for (auto it = begin; it != begin + disk.ThumbCount; ++it) {
      entry.prints.prints.push_back(it->print);
      entry.prints.computed.push_back(it->computed);
    }
    disks_[disk.Storage.get()] = std::move(entry);
  }
  if (progress) progress(total, total);
  return true;
}

bool CatalogFingerprints::Knows(const CatInfo& disk) const {
  const auto found = disks_.find(disk.Storage.get());
  // An entry whose storage still lives is that disk's: no other can have its address meanwhile.
  return found != disks_.end() && !found->second.storage.expired();
}

bool CatalogFingerprints::Knows(const CatalogIndex& index) const {
  return std::all_of(index.Disks.begin(), index.Disks.end(),
                     [&](const CatInfo& disk) { return Knows(disk); });
}

const DiskFingerprints& CatalogFingerprints::Disk(const CatalogIndex& index, int disk) const {
  const CatInfo& info = index.Disks.at(static_cast<std::size_t>(disk));
  if (!Knows(info)) throw std::logic_error("The fingerprints of a disk not yet read were asked");
  return disks_.at(info.Storage.get()).prints;
}

std::int64_t CatalogFingerprints::ComputedCount(const CatalogIndex& index) const {
  std::int64_t count = 0;
  for (const CatInfo& disk : index.Disks) {
    if (!Knows(disk)) continue;
    const std::vector<bool>& computed = disks_.at(disk.Storage.get()).prints.computed;
    count += std::count(computed.begin(), computed.end(), true);
  }
  return count;
}

CatalogVersion StoreFingerprints(const CatalogVersion& from, const CatalogFingerprints& prints) {
  std::vector<JpegReplacement> replaced;
  for (std::size_t d = 0; d < from.index.Disks.size(); ++d) {
    const CatInfo& disk = from.index.Disks[d];
    if (!prints.Knows(disk)) continue;
    const DiskFingerprints& known = prints.Disk(from.index, static_cast<int>(d));
    for (std::size_t j = 0; j < known.prints.size(); ++j) {
      if (!known.computed[j] || !known.prints[j]) continue;
      const Disc& thumb = disk.Thumbs[j];
      std::optional<Bytes> jpeg = WithFingerprint(from.Jpeg(disk, thumb), *known.prints[j]);
      // A thumbnail that the field would take past what a record holds keeps no fingerprint.
      if (!jpeg || jpeg->size() > kMaxJpegBytes) continue;
      replaced.push_back(
          {{static_cast<std::int32_t>(d), static_cast<std::int32_t>(j)}, std::move(*jpeg)});
    }
  }
  return replaced.empty() ? from : ReplaceJpegs(from, replaced);
}

}  // namespace quorvel
