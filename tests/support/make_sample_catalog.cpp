// make_sample_catalog OUT.qrv: a small catalogue of made-up photo disks to look at the program
// with (screenshots, trying a build by hand). Every picture is drawn here, so the sample needs
// no image files and comes out the same on every machine.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "catalog/cp1251.h"
#include "catalog/format.h"
#include "catalog/stream.h"
#include "catalog/thumbnail_jpeg.h"
#include "support/catalog_builder.h"

namespace quorvel {
namespace {

constexpr int kSide = kThumbSide;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;  // 0..1
};

Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Hue in turns (0..1), saturation and value 0..1.
Rgb Hsv(double h, double s, double v) {
  h = (h - std::floor(h)) * 6;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h);
  const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (sector) {
    case 0:
      return {v, t, p};
    case 1:
      return {q, v, p};
    case 2:
      return {p, v, t};
    case 3:
      return {p, q, v};
    case 4:
      return {t, p, v};
    default:
      return {v, p, q};
  }
}

// A small deterministic generator, so that the sample is the same on every run.
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return (state_ & 0xFFFFFF) / double(0x1000000);
  }
  double In(double lo, double hi) { return lo + (hi - lo) * Next(); }

 private:
  std::uint32_t state_;
};

// Soft-edged coverage of a disc: 1 inside, 0 outside, a one-pixel ramp between.
double Disc(double x, double y, double cx, double cy, double radius) {
  return std::clamp(radius - std::hypot(x - cx, y - cy) + 0.5, 0.0, 1.0);
}

class Picture {
 public:
  Picture() : pixels_(kSide * kSide) {}
  template <typename Shader>
  void Paint(Shader shader) {
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) pixels_[y * kSide + x] = shader(x + 0.5, y + 0.5);
    }
  }
  template <typename Shader>
  void Over(Shader coverage_and_colour) {
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        Rgb& p = pixels_[y * kSide + x];
        double alpha = 0;
        const Rgb c = coverage_and_colour(x + 0.5, y + 0.5, p, alpha);
        p = Mix(p, c, alpha);
      }
    }
  }
  Bytes Jpeg() const {
    Bytes rgb(kSide * kSide * 3);
    for (int i = 0; i < kSide * kSide; ++i) {
      rgb[i * 3 + 0] =
          static_cast<std::uint8_t>(std::lround(std::clamp(pixels_[i].r, 0.0, 1.0) * 255));
      rgb[i * 3 + 1] =
          static_cast<std::uint8_t>(std::lround(std::clamp(pixels_[i].g, 0.0, 1.0) * 255));
      rgb[i * 3 + 2] =
          static_cast<std::uint8_t>(std::lround(std::clamp(pixels_[i].b, 0.0, 1.0) * 255));
    }
    Bytes jpeg;
    AppendJpeg(jpeg, RgbView{rgb.data(), kSide, kSide, kSide * 3});
    return jpeg;
  }

 private:
  std::vector<Rgb> pixels_;
};

// A sunny landscape: sky, sun, two rows of hills, sometimes a lake.
Picture Landscape(Random& rnd) {
  Picture pic;
  const double hue = rnd.In(0.52, 0.62);
  const Rgb sky_top = Hsv(hue, 0.75, 0.85), sky_low = Hsv(hue - 0.04, 0.25, 1.0);
  const double sun_x = rnd.In(15, 85), sun_y = rnd.In(12, 35);
  const double phase = rnd.In(0, 2 * kPi), grass = rnd.In(0.22, 0.36);
  pic.Paint([&](double x, double y) {
    Rgb c = Mix(sky_top, sky_low, y / 60);
    c = Mix(c, Rgb{1, 0.97, 0.75}, Disc(x, y, sun_x, sun_y, 9));
    const double far = 58 + 7 * std::sin(x / 14 + phase);
    const double near = 72 + 9 * std::sin(x / 22 + phase * 2) + 3 * std::sin(x / 5);
    if (y > far) c = Mix(Hsv(grass + 0.05, 0.45, 0.55), Hsv(grass, 0.5, 0.45), (y - far) / 20);
    if (y > near) c = Mix(Hsv(grass, 0.7, 0.7), Hsv(grass - 0.04, 0.8, 0.35), (y - near) / 30);
    return c;
  });
  return pic;
}

// The sun going down over the sea, with its road of light on the water.
Picture Sunset(Random& rnd) {
  Picture pic;
  const double horizon = rnd.In(55, 70), sun_x = rnd.In(30, 70), warm = rnd.In(0.0, 0.08);
  pic.Paint([&](double x, double y) {
    if (y < horizon) {
      Rgb c = Mix(Hsv(0.75 + warm, 0.6, 0.35), Hsv(0.06 + warm, 0.85, 1.0), y / horizon);
      return Mix(c, Rgb{1, 0.9, 0.55}, Disc(x, y, sun_x, horizon, 13));
    }
    const double depth = (y - horizon) / (kSide - horizon);
    Rgb c = Mix(Hsv(0.62, 0.5, 0.45), Hsv(0.66, 0.6, 0.18), depth);
    const double ripple = std::sin(y * 1.7) * 0.5 + 0.5;
    const double road = std::exp(-std::pow((x - sun_x) / (6 + depth * 14), 2)) * ripple;
    return Mix(c, Rgb{1, 0.75, 0.4}, road * (1 - depth * 0.6));
  });
  return pic;
}

// Mountains with snow on their tops under a pale sky.
Picture Mountains(Random& rnd) {
  Picture pic;
  const double hue = rnd.In(0.55, 0.7);
  struct Peak {
    double x, top, slope;
  };
  std::vector<Peak> peaks;
  const int count = 2 + static_cast<int>(rnd.Next() * 3);
  for (int k = 0; k < count; ++k)
    peaks.push_back({rnd.In(5, 95), rnd.In(18, 50), rnd.In(0.8, 1.6)});
  pic.Paint([&](double x, double y) {
    Rgb c = Mix(Hsv(hue, 0.35, 0.95), Hsv(hue, 0.1, 1.0), y / 70);
    for (std::size_t k = 0; k < peaks.size(); ++k) {
      const double ridge = peaks[k].top + std::abs(x - peaks[k].x) * peaks[k].slope;
      if (y > ridge) {
        const double shade = 0.35 + 0.12 * k + (x < peaks[k].x ? 0.1 : 0);
        c = Hsv(hue + 0.02, 0.25, shade);
        if (y < ridge + 9 && y < peaks[k].top + 16) c = Rgb{0.96, 0.97, 1.0};
      }
    }
    if (y > 88) c = Mix(c, Hsv(0.28, 0.5, 0.35), 0.85);
    return c;
  });
  return pic;
}

// A flower seen from above: petals around a yellow heart on leafy green.
Picture Flower(Random& rnd) {
  Picture pic;
  const double hue = rnd.Next(), petals = 5 + static_cast<int>(rnd.Next() * 4);
  const double cx = rnd.In(40, 60), cy = rnd.In(40, 60), size = rnd.In(30, 42);
  const double turn = rnd.In(0, kPi);
  pic.Paint([&](double x, double y) {
    Rgb c = Mix(Hsv(0.3, 0.6, 0.35), Hsv(0.25, 0.7, 0.55), (x + y) / 200);
    const double r = std::hypot(x - cx, y - cy), a = std::atan2(y - cy, x - cx) + turn;
    const double edge = size * (0.55 + 0.45 * std::abs(std::cos(a * petals / 2)));
    if (r < edge) c = Mix(Hsv(hue, 0.8, 1.0), Hsv(hue, 0.4, 1.0), r / edge);
    c = Mix(c, Rgb{0.98, 0.8, 0.15}, Disc(x, y, cx, cy, size * 0.22));
    return c;
  });
  return pic;
}

// A night sky: a moon and scattered stars over a dark town line.
Picture Night(Random& rnd) {
  Picture pic;
  const double moon_x = rnd.In(20, 80), moon_y = rnd.In(15, 35);
  std::vector<std::pair<int, int>> stars;
  for (int k = 0; k < 40; ++k) stars.push_back({int(rnd.In(0, kSide)), int(rnd.In(0, 70))});
  std::vector<double> roofs;
  for (int k = 0; k < 10; ++k) roofs.push_back(rnd.In(70, 88));
  pic.Paint([&](double x, double y) {
    Rgb c = Mix(Hsv(0.66, 0.8, 0.12), Hsv(0.62, 0.7, 0.35), y / kSide);
    c = Mix(c, Rgb{0.98, 0.96, 0.85}, Disc(x, y, moon_x, moon_y, 8));
    c = Mix(c, Hsv(0.66, 0.8, 0.14), Disc(x, y, moon_x + 4, moon_y - 2, 7) * 0.9);
    if (y > roofs[static_cast<std::size_t>(x) / 10]) c = Rgb{0.05, 0.05, 0.08};
    return c;
  });
  pic.Over([&](double x, double y, const Rgb&, double& alpha) {
    for (auto [sx, sy] : stars) {
      if (int(x) == sx && int(y) == sy && y < roofs[static_cast<std::size_t>(x) / 10]) alpha = 1;
    }
    return Rgb{1, 1, 0.9};
  });
  return pic;
}

// Out-of-focus lights: soft discs of colour over a dark gradient.
Picture Bokeh(Random& rnd) {
  Picture pic;
  const double hue = rnd.Next();
  pic.Paint([&](double x, double y) {
    return Mix(Hsv(hue, 0.7, 0.25), Hsv(hue + 0.15, 0.8, 0.1), (x + y) / 200);
  });
  for (int k = 0; k < 14; ++k) {
    const double cx = rnd.In(0, kSide), cy = rnd.In(0, kSide), r = rnd.In(5, 16);
    const Rgb colour = Hsv(hue + rnd.In(-0.12, 0.12), 0.6, 1.0);
    const double strength = rnd.In(0.25, 0.6);
    pic.Over([&](double x, double y, const Rgb&, double& alpha) {
      alpha = Disc(x, y, cx, cy, r) * strength;
      return colour;
    });
  }
  return pic;
}

// An old scanned print: a sepia portrait-like blur inside a white border.
Picture OldPrint(Random& rnd) {
  Picture pic;
  const double cx = rnd.In(38, 62), cy = rnd.In(40, 55), tone = rnd.In(0.06, 0.1);
  pic.Paint([&](double x, double y) {
    if (x < 7 || x > 93 || y < 7 || y > 93) return Rgb{0.95, 0.93, 0.88};
    const double head = Disc(x, y, cx, cy - 12, 13);
    const double body = std::clamp((y - (cy + 4)) / 4, 0.0, 1.0) *
                        std::clamp(1 - std::abs(x - cx) / (22 + (y - cy) * 0.5), 0.0, 1.0) * 1.5;
    const double vignette = 1 - std::pow(std::hypot(x - 50, y - 50) / 62, 2);
    const double light = std::clamp(0.75 - 0.45 * std::max(head, std::min(body, 1.0)), 0.0, 1.0);
    return Hsv(tone, 0.45, light * vignette + 0.1);
  });
  return pic;
}

// Desktop wallpaper patterns: stripes, rings and checks in one colour scheme.
Picture Pattern(Random& rnd) {
  Picture pic;
  const double hue = rnd.Next(), angle = rnd.In(0, kPi), width = rnd.In(6, 14);
  const int kind = static_cast<int>(rnd.Next() * 3);
  const double ox = rnd.In(20, 80), oy = rnd.In(20, 80);
  pic.Paint([&](double x, double y) {
    double t = 0;
    if (kind == 0) {
      t = std::sin((x * std::cos(angle) + y * std::sin(angle)) * 2 * kPi / width);
    } else if (kind == 1) {
      t = std::sin(std::hypot(x - ox, y - oy) * 2 * kPi / width);
    } else {
      t = std::sin(x * 2 * kPi / width / 1.4) * std::sin(y * 2 * kPi / width / 1.4) * 4;
    }
    const Rgb a = Hsv(hue, 0.7, 0.9), b = Hsv(hue + 0.5, 0.5, 0.35);
    return Mix(b, a, 0.5 + 0.5 * std::clamp(t, -1.0, 1.0) + (y - 50) / 300);
  });
  return pic;
}

using Painter = Picture (*)(Random&);

struct SampleDisk {
  const char* name;         // UTF-8; stored as 1251
  const char* path_format;  // UTF-8 printf format of an image path, one %d
  int first_number;
  int count;
  std::vector<Painter> painters;  // taken in turn
};

Bytes BuildSample() {
  const std::vector<SampleDisk> disks = {
      {"Отпуск 2019",
       "E:\\Фото\\2019\\IMG_%04d.JPG",
       1,
       24,
       {Landscape, Sunset, Mountains, Flower}},
      {"Wallpapers", "D:\\Wallpapers\\wall_%03d.jpg", 1, 36, {Pattern, Bokeh, Night, Sunset}},
      {"Дача, лето", "F:\\Дача\\DSC_%04d.JPG", 101, 12, {Flower, Landscape, Flower, Bokeh}},
      {"Семейный архив", "E:\\Архив\\Сканы\\scan_%03d.jpg", 1, 17, {OldPrint, OldPrint, Night}},
  };
  std::vector<testkit::DiskSpec> catalogue_disks;
  std::uint32_t seed = 1;
  for (const SampleDisk& disk : disks) {
    testkit::DiskSpec built{Utf8ToCp1251(disk.name), {}};
    for (int k = 0; k < disk.count; ++k) {
      char path[256];
      std::snprintf(path, sizeof path, disk.path_format, disk.first_number + k);
      Random rnd(seed++);
      const Picture picture = disk.painters[k % disk.painters.size()](rnd);
      built.thumbs.push_back({Utf8ToCp1251(path), picture.Jpeg()});
    }
    catalogue_disks.push_back(std::move(built));
  }
  return testkit::BuildCatalog(catalogue_disks);
}

}  // namespace
}  // namespace quorvel

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.qrv\n", argv[0]);
    return 2;
  }
  try {
    const quorvel::Bytes catalogue = quorvel::BuildSample();
    quorvel::testkit::WriteFile(argv[1], catalogue);
    std::printf("%s: %zu bytes\n", argv[1], catalogue.size());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
    return 1;
  }
  return 0;
}
