// SPDX-License-Identifier: MIT
// Raster surfaces: the few pixel operations the game draws with, on 32-bit buffers of our own.
#include "gfx/surface.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "gfx/typeface.h"

namespace enclova {
namespace {

constexpr TColor kColorMask = 0x00FFFFFF;  // stored pixels never carry a top byte

// Index of (x, y) in a row-major buffer; the caller has checked the bounds.
inline std::size_t At(int width, int x, int y) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
         static_cast<std::size_t>(x);
}

// The row kernels: every pixel loop that covers an area runs in one of these. They call nothing
// and take rows their callers had from Surface::Row or Rows, which check them against the
// buffer, so the fuzzers can leave them uninstrumented (fuzz/raster-kernels.ignore) and a clipping
// fault still cannot reach memory.
void FillRow(TColor* row, int count, TColor color) {
  for (int i = 0; i < count; ++i) row[i] = color;
}

// Not memcpy: the address sanitizer checks every memcpy, which in the fuzzers cost more than the
// copy itself, and these rows are checked already.
#if defined(__clang__)
__attribute__((no_builtin("memcpy", "memmove")))
#endif
void CopyRow(TColor* target, const TColor* image, int count) {
  for (int i = 0; i < count; ++i) target[i] = image[i];
}

void AndRow(TColor* target, const TColor* image, int count) {
  for (int i = 0; i < count; ++i) target[i] &= image[i];
}

void XorRow(TColor* target, const TColor* image, int count) {
  for (int i = 0; i < count; ++i) target[i] ^= image[i];
}

// Blends one channel of the font colour over the brush by glyph coverage, rounded to nearest.
TColor BlendChannel(TColor brush, TColor font, int shift, int coverage) {
  const int b = static_cast<int>((brush >> shift) & 0xFF);
  const int f = static_cast<int>((font >> shift) & 0xFF);
  const int num = (f - b) * coverage;
  const int step = num >= 0 ? (num + 127) / 255 : -((-num + 127) / 255);
  return static_cast<TColor>(b + step) << shift;
}

// The longest open run reaching back from row[at] (exclusive) to row[0]: its pixels are marked
// and the index of its first returned. Open is neither `border` nor `mark`.
int MarkOpenLeft(TColor* row, int at, TColor border, TColor mark) {
  while (at > 0 && row[at - 1] != border && row[at - 1] != mark) row[--at] = mark;
  return at;
}

// The same forward from row[at] (exclusive) to row[count - 1]; returns the index of its last.
int MarkOpenRight(TColor* row, int at, int count, TColor border, TColor mark) {
  while (at + 1 < count && row[at + 1] != border && row[at + 1] != mark) row[++at] = mark;
  return at;
}

// The first open pixel among row[from..to-1], or `to` when there is none.
int FirstOpen(const TColor* row, int from, int to, TColor border, TColor mark) {
  while (from < to && (row[from] == border || row[from] == mark)) ++from;
  return from < to ? from : to;
}

// The three channels blended. Out of line: inlined, it let the compiler turn TextRow into vector
// code that blends every pixel, which made text several times slower, since most pixels of a
// glyph's cell have no coverage or full coverage.
[[gnu::noinline]] TColor BlendPixel(TColor brush, TColor font, int coverage) {
  return BlendChannel(brush, font, 0, coverage) | BlendChannel(brush, font, 8, coverage) |
         BlendChannel(brush, font, 16, coverage);
}

// Text over the brush: the brush where a pixel has no coverage, the font where it has full
// coverage, and the two blended between.
void TextRow(TColor* row, const std::uint8_t* coverage, int count, TColor brush, TColor font) {
  for (int i = 0; i < count; ++i) {
    const int cov = coverage[i];
    if (cov == 0) {
      row[i] = brush;
    } else if (cov == 255) {
      row[i] = font;
    } else {
      row[i] = BlendPixel(brush, font, cov);
    }
  }
}

}  // namespace

PixelBuffer::PixelBuffer(std::vector<TColor> values) : values_(std::move(values)) {
  if (!values_.empty()) Restamp();
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : values_(std::move(other.values_)), stamp_(std::exchange(other.stamp_, 0)) {
  other.values_.clear();
}

PixelBuffer& PixelBuffer::operator=(const PixelBuffer& other) {
  if (stamp_ == other.stamp_) return *this;
  if (values_.size() == other.values_.size()) {
    // Not the vector's own copy, which is a memmove: sanitizer builds move a byte at a time.
    std::memcpy(values_.data(), other.values_.data(), values_.size() * sizeof(TColor));
  } else {
    values_ = other.values_;
  }
  stamp_ = other.stamp_;
  return *this;
}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
  values_ = std::move(other.values_);
  other.values_.clear();
  stamp_ = std::exchange(other.stamp_, 0);
  return *this;
}

void PixelBuffer::Restamp() {
  static std::atomic<std::uint64_t> last{0};
  stamp_ = last.fetch_add(1, std::memory_order_relaxed) + 1;
}

TColor CombinePixel(TCopyMode copyMode, TColor target, TColor image) {
  switch (copyMode) {
    case SRCINVERT:
      return (target ^ image) & kColorMask;
    case SRCAND:
      return (target & image) & kColorMask;
    case SRCCOPY:
      break;
  }
  return image & kColorMask;  // SRCCOPY, and any value outside the enum
}

Surface::Surface(int width, int height) {
  if (width <= 0 || height <= 0) return;  // a surface without pixels does not exist
  width_ = width;
  height_ = height;
  pixels_ = PixelBuffer(std::vector<TColor>(
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height), clWhite));
}

Surface::Surface(int width, int height, std::vector<TColor> pixels) {
  if (width <= 0 || height <= 0 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return;
  }
  width_ = width;
  height_ = height;
  for (TColor& c : pixels) c &= kColorMask;
  pixels_ = PixelBuffer(std::move(pixels));
}

void Surface::SetClip(const TRect& area) {
  clip_ = TRect{std::min(area.Left, area.Right), std::min(area.Top, area.Bottom),
                std::max(area.Left, area.Right), std::max(area.Top, area.Bottom)};
}

TRect Surface::Writable() const {
  TRect w{0, 0, width_, height_};
  if (clip_) {
    w.Left = std::clamp(clip_->Left, 0, width_);
    w.Top = std::clamp(clip_->Top, 0, height_);
    w.Right = std::clamp(clip_->Right, w.Left, width_);
    w.Bottom = std::clamp(clip_->Bottom, w.Top, height_);
  }
  return w;
}

void Surface::SetPixel(int x, int y, TColor color) {
  const TRect w = Writable();
  if (x < w.Left || y < w.Top || x >= w.Right || y >= w.Bottom) return;
  pixels_.Data()[At(width_, x, y)] = color & kColorMask;
  MarkChanged();
}

TColor* Surface::Row(int y, int left, int right) {
  return const_cast<TColor*>(std::as_const(*this).Row(y, left, right));
}

const TColor* Surface::Row(int y, int left, int right) const {
  if (y < 0 || y >= height_ || left < 0 || left > right || right > width_) std::abort();
  return pixels_.Values().data() + At(width_, left, y);
}

TColor* Surface::Rows(int top, int bottom, int left, int right) {
  return const_cast<TColor*>(std::as_const(*this).Rows(top, bottom, left, right));
}

const TColor* Surface::Rows(int top, int bottom, int left, int right) const {
  // Every row between the first and the last lies between them.
  if (top >= bottom) std::abort();
  Row(bottom - 1, left, right);
  return Row(top, left, right);
}

void Surface::Fill(TColor color) {
  const TRect w = Writable();
  if (w.Left >= w.Right || w.Top >= w.Bottom) return;
  TColor* row = Rows(w.Top, w.Bottom, w.Left, w.Right);
  for (int y = w.Top; y < w.Bottom; ++y, row += width_) {
    FillRow(row, w.Right - w.Left, color & kColorMask);
  }
  MarkChanged();
}

void Surface::Draw(int x, int y, const Surface& image) {
  if (!Exists() || !image.Exists()) return;
  // Clip in 64 bits: an offset near the int limits must not wrap round onto the surface.
  const TRect w = Writable();
  const std::int64_t left = std::max<std::int64_t>(x, w.Left);
  const std::int64_t top = std::max<std::int64_t>(y, w.Top);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + image.width_, w.Right);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + image.height_, w.Bottom);
  if (left >= right || top >= bottom) return;

  // Drawing a surface onto itself reads from a copy, as if the image were another picture.
  Surface copy;
  const Surface* source = &image;
  if (source == this) {
    copy = image;
    source = &copy;
  }

  const int l = static_cast<int>(left);
  const int r = static_cast<int>(right);
  const int sl = static_cast<int>(left - x);
  const int sr = static_cast<int>(right - x);
  const int t = static_cast<int>(top);
  const int b = static_cast<int>(bottom);
  TColor* target = Rows(t, b, l, r);
  const TColor* from =
      source->Rows(static_cast<int>(top - y), static_cast<int>(bottom - y), sl, sr);
  for (int ty = t; ty < b; ++ty, target += width_, from += source->width_) {
    switch (CopyMode) {
      case SRCINVERT:
        XorRow(target, from, r - l);
        break;
      case SRCAND:
        AndRow(target, from, r - l);
        break;
      default:  // SRCCOPY, and any value outside the enum
        CopyRow(target, from, r - l);
        break;
    }
  }
  MarkChanged();
}

void Surface::Rectangle(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (!Exists() || x1 == x2 || y1 == y2) return;
  const TColor pen = Pen.Color & kColorMask;
  const TColor brush = Brush.Color & kColorMask;
  // The ring is the first and last row and column of the unclipped rectangle.
  const std::int64_t lastX = std::int64_t{x2} - 1;
  const std::int64_t lastY = std::int64_t{y2} - 1;
  const TRect w = Writable();
  const int left = std::max(x1, w.Left);
  const int top = std::max(y1, w.Top);
  const int right = std::min(x2, w.Right);
  const int bottom = std::min(y2, w.Bottom);
  if (left >= right || top >= bottom) return;
  TColor* row = Rows(top, bottom, left, right);
  for (int y = top; y < bottom; ++y, row += width_) {
    if (y == y1 || y == lastY) {
      FillRow(row, right - left, pen);
      continue;
    }
    FillRow(row, right - left, brush);
    if (x1 >= left) row[x1 - left] = pen;
    if (lastX < right) row[lastX - left] = pen;
  }
  MarkChanged();
}

void Surface::MoveTo(int x, int y) {
  PenPos = {x, y};
}

void Surface::LineTo(int x, int y) {
  const TPoint from = PenPos;
  PenPos = {x, y};
  if (!Exists()) return;
  const std::int64_t dx = std::int64_t{x} - from.X;
  const std::int64_t dy = std::int64_t{y} - from.Y;
  const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
  // Step k = 0 .. n-1 along the major axis; the minor offset is k * minor / major rounded half
  // up, which is exact for horizontal, vertical and 45-degree lines and leaves the end out.
  const std::int64_t major = xMajor ? dx : dy;
  const std::int64_t minor = xMajor ? dy : dx;
  const std::int64_t n = major < 0 ? -major : major;
  if (n == 0) return;
  const std::int64_t sMajor = major < 0 ? -1 : 1;
  const std::int64_t sMinor = minor < 0 ? -1 : 1;
  const std::int64_t absMinor = minor < 0 ? -minor : minor;
  const std::int64_t start = xMajor ? from.X : from.Y;
  const std::int64_t limit = xMajor ? width_ : height_;

  // Only the steps whose major coordinate lies on the surface are walked.
  std::int64_t kFirst = 0;
  std::int64_t kLast = n - 1;
  if (sMajor > 0) {
    kFirst = std::max(kFirst, -start);
    kLast = std::min(kLast, limit - 1 - start);
  } else {
    kFirst = std::max(kFirst, start - (limit - 1));
    kLast = std::min(kLast, start);
  }
  if (kFirst > kLast) return;

  // With k * absMinor = q * n + r (0 <= r < n), the offset (2k * absMinor + n) div 2n is q, plus
  // one when 2r >= n. Both factors are below 2^32 (k < n <= 2^32 - 1, absMinor <= n), so the
  // product fits 64 unsigned bits; after kFirst, q and r step by absMinor with one carry at most.
  const auto un = static_cast<std::uint64_t>(n);
  const auto um = static_cast<std::uint64_t>(absMinor);
  const std::uint64_t product = static_cast<std::uint64_t>(kFirst) * um;
  std::uint64_t q = product / un;
  std::uint64_t r = product % un;
  const TColor pen = Pen.Color & kColorMask;
  const TRect w = Writable();
  bool changed = false;
  for (std::int64_t k = kFirst; k <= kLast; ++k) {
    const auto offset = static_cast<std::int64_t>(q + (2 * r >= un ? 1 : 0));
    r += um;
    if (r >= un) {
      r -= un;
      ++q;
    }
    const std::int64_t a = start + sMajor * k;
    const std::int64_t b = (xMajor ? from.Y : from.X) + sMinor * offset;
    const std::int64_t px = xMajor ? a : b;
    const std::int64_t py = xMajor ? b : a;
    if (px < w.Left || py < w.Top || px >= w.Right || py >= w.Bottom) continue;
    pixels_.Data()[At(width_, static_cast<int>(px), static_cast<int>(py))] = pen;
    changed = true;
  }
  if (changed) MarkChanged();
}

void Surface::FloodFill(int x, int y, TColor border) {
  const TRect area = Writable();
  if (!Exists() || x < area.Left || y < area.Top || x >= area.Right || y >= area.Bottom) return;
  if (pixels_.Values()[At(width_, x, y)] == border) return;

  // Taken pixels are marked with a colour no stored pixel has (the top byte is always clear)
  // and painted with the brush at the end: the brush may then equal the colour being filled
  // through, or even the border, without the fill looping or stopping early.
  const TColor mark = border == 0x80000000 ? 0x40000000 : 0x80000000;

  // A seed asks for row y to be scanned below the run x1..x2 just taken in row y - dy. Runs
  // spread on in the same direction and turn back only where they overhang the run they came
  // from, so a row is not scanned again under the run that reached it. Columns count from the
  // area's left edge.
  struct Seed {
    int y, x1, x2, dy;
  };
  struct Run {
    int y, x1, x2;
  };
  std::vector<Seed> seeds;
  std::vector<Run> runs;
  const int count = area.Right - area.Left;
  auto push = [&](int row, int x1, int x2, int dy) {
    if (row >= area.Top && row < area.Bottom) seeds.push_back({row, x1, x2, dy});
  };
  // Takes the run through (at, row) and returns its last pixel; its first is in `first`.
  auto take = [&](TColor* line, int row, int at, int& first) {
    line[at] = mark;
    first = MarkOpenLeft(line, at, border, mark);
    const int last = MarkOpenRight(line, at, count, border, mark);
    runs.push_back({row, first, last});
    return last;
  };

  int first = 0;
  const int last = take(Row(y, area.Left, area.Right), y, x - area.Left, first);
  push(y + 1, first, last, 1);
  push(y - 1, first, last, -1);
  while (!seeds.empty()) {
    const Seed s = seeds.back();
    seeds.pop_back();
    TColor* const line = Row(s.y, area.Left, area.Right);
    // The pixel after a run is closed, so the next look starts one past it.
    for (int i = FirstOpen(line, s.x1, s.x2 + 1, border, mark); i <= s.x2;) {
      const int end = take(line, s.y, i, first);
      push(s.y + s.dy, first, end, s.dy);
      if (first < s.x1) push(s.y - s.dy, first, s.x1 - 1, -s.dy);
      if (end > s.x2) push(s.y - s.dy, s.x2 + 1, end, -s.dy);
      i = FirstOpen(line, end + 2, s.x2 + 1, border, mark);
    }
  }

  const TColor brush = Brush.Color & kColorMask;
  for (const Run& r : runs) {
    FillRow(Row(r.y, area.Left + r.x1, area.Left + r.x2 + 1), r.x2 + 1 - r.x1, brush);
  }
  MarkChanged();
}

TColor Surface::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kInvalidColor;
  return pixels_.Values()[At(width_, x, y)];
}

void Surface::TextOut(int x, int y, std::string_view utf8) {
  if (Face == nullptr) {
    PenPos = {x, y};
    return;
  }
  const GlyphRun run = Face->Render(utf8, Font.Height);
  const int w = std::max(run.Width, 0);
  const int h = std::max(run.Height, 0);
  PenPos = {static_cast<int>(std::int64_t{x} + w), y};
  if (!Exists() || w == 0 || h == 0) return;

  const TColor brush = Brush.Color & kColorMask;
  const TColor font = Font.Color & kColorMask;
  const TRect area = Writable();
  const int left = std::max(x, area.Left);
  const int top = std::max(y, area.Top);
  const int right = static_cast<int>(std::min<std::int64_t>(std::int64_t{x} + w, area.Right));
  const int bottom = static_cast<int>(std::min<std::int64_t>(std::int64_t{y} + h, area.Bottom));
  if (left >= right || top >= bottom) return;
  const std::int64_t coverageSize = static_cast<std::int64_t>(run.Coverage.size());
  const int count = right - left;
  TColor* row = Rows(top, bottom, left, right);
  for (int py = top; py < bottom; ++py, row += width_) {
    // A coverage mask shorter than the run leaves the rest in the brush.
    const std::int64_t start = std::int64_t{py - y} * w + (std::int64_t{left} - x);
    const int covered = static_cast<int>(std::clamp<std::int64_t>(coverageSize - start, 0, count));
    if (covered > 0) TextRow(row, run.Coverage.data() + start, covered, brush, font);
    FillRow(row + covered, count - covered, brush);
  }
  MarkChanged();
}

void SolidRectangle(Surface& s, TColor color, int x1, int y1, int x2, int y2) {
  s.Pen.Color = color;
  s.Brush.Color = color;
  s.Rectangle(x1, y1, x2, y2);
}

}  // namespace enclova
