// Exact area averaging of a picture that arrives a row at a time, top to bottom.
#ifndef QUORVEL_SCAN_AREA_REDUCER_H_
#define QUORVEL_SCAN_AREA_REDUCER_H_

#include <QImage>
#include <cstdint>
#include <vector>

namespace quorvel {

// Reduces RGB rows to out_width x out_height (no larger than the input): each output pixel is the
// mean of the input area it covers, edge pixels counted by their fraction. Holds only the output
// sums, so it costs memory proportional to the result.
class AreaReducer {
 public:
  AreaReducer(int in_width, int in_height, int out_width, int out_height);

  // The next row of in_width pixels, 3 bytes each; rows past in_height are ignored.
  void AddRow(const std::uint8_t* rgb);

  // The reduced picture (rows never given count as black), in QImage::Format_RGB32.
  QImage Result() const;

  // `image` reduced to `size` (each side no larger than the image's).
  static QImage Reduce(const QImage& image, QSize size);

 private:
  // Input pixel i covers [i, i + 1) * out / in in output units; with out <= in that touches
  // output pixel `first` and at most the next one.
  struct Split {
    int first;
    float near_weight;
    float far_weight;
  };

  static std::vector<Split> Splits(int in, int out);

  std::vector<Split> columns_;
  std::vector<Split> rows_;
  std::vector<float> line_;
  std::vector<float> sums_;
  int out_width_;
  int out_height_;
  int next_row_ = 0;
};

}  // namespace quorvel

#endif  // QUORVEL_SCAN_AREA_REDUCER_H_
