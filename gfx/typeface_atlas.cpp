// SPDX-License-Identifier: MIT
// The glyph atlas: its file read with every count and offset checked, and its face.
#include "gfx/typeface_atlas.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace enclova {

namespace {

constexpr char kAtlasMagic[8] = {'E', 'N', 'C', 'L', 'G', 'L', 'Y', 'F'};
constexpr std::uint32_t kAtlasVersion = 1;
constexpr std::uint32_t kMaxSizes = 16;
constexpr std::uint32_t kMaxGlyphsPerSize = 65536;
constexpr int kMaxCellHeight = 1024;
constexpr std::size_t kGlyphRecordBytes = 18;

// Reads the atlas front to back. A read past the end fails, and so does every read after it:
// when the last of a record's reads succeeds, all of them did.
class AtlasReader {
 public:
  explicit AtlasReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::optional<std::span<const std::uint8_t>> Bytes(std::size_t n) {
    if (failed_ || n > data_.size() - at_) {
      failed_ = true;
      return std::nullopt;
    }
    const auto bytes = data_.subspan(at_, n);
    at_ += n;
    return bytes;
  }
  std::optional<std::uint32_t> U32() {
    const auto b = Bytes(4);
    if (!b) return std::nullopt;
    return static_cast<std::uint32_t>((*b)[0]) | static_cast<std::uint32_t>((*b)[1]) << 8 |
           static_cast<std::uint32_t>((*b)[2]) << 16 | static_cast<std::uint32_t>((*b)[3]) << 24;
  }
  std::optional<std::int32_t> I32() {
    const auto v = U32();
    if (!v) return std::nullopt;
    return static_cast<std::int32_t>(*v);
  }
  std::optional<std::uint16_t> U16() {
    const auto b = Bytes(2);
    if (!b) return std::nullopt;
    return static_cast<std::uint16_t>((*b)[0] | (*b)[1] << 8);
  }
  std::optional<std::int16_t> I16() {
    const auto v = U16();
    if (!v) return std::nullopt;
    return static_cast<std::int16_t>(*v);
  }
  std::size_t Left() const { return data_.size() - at_; }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

std::unique_ptr<AtlasTypeface> Refuse(std::string* error, const std::string& why) {
  if (error != nullptr) *error = "the glyph atlas " + why;
  return nullptr;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

}  // namespace

std::unique_ptr<AtlasTypeface> AtlasTypeface::Open(std::span<const std::uint8_t> data,
                                                   std::string* error) {
  AtlasReader in(data);
  const auto magic = in.Bytes(sizeof kAtlasMagic);
  if (!magic || std::memcmp(magic->data(), kAtlasMagic, sizeof kAtlasMagic) != 0) {
    return Refuse(error, "does not start as one");
  }
  const auto version = in.U32();
  if (!version || *version != kAtlasVersion) return Refuse(error, "is of another version");
  const auto sizeCount = in.U32();
  if (!sizeCount || *sizeCount == 0 || *sizeCount > kMaxSizes) {
    return Refuse(error, "has no sizes or too many");
  }

  std::vector<Size> sizes(*sizeCount);
  std::vector<std::uint32_t> counts;
  std::size_t glyphCount = 0;
  for (Size& size : sizes) {
    const auto height = in.I32(), cell = in.I32(), baseline = in.I32();
    const auto glyphs = in.U32();
    if (!glyphs) return Refuse(error, "is cut short in its sizes");
    if (*height == 0 || *cell < 1 || *cell > kMaxCellHeight || *baseline < 0 || *baseline > *cell ||
        *glyphs == 0 || *glyphs > kMaxGlyphsPerSize) {
      return Refuse(error, "has a size out of range");
    }
    for (const Size& other : sizes) {
      if (&other == &size) break;
      if (other.Height == *height) return Refuse(error, "has a height twice");
    }
    size.Height = *height;
    size.Cell = {*cell, *baseline};
    counts.push_back(*glyphs);
    glyphCount += *glyphs;
  }
  // Nothing is set aside for glyph records that the data cannot hold.
  if (glyphCount > in.Left() / kGlyphRecordBytes)
    return Refuse(error, "is cut short in its glyphs");
  for (std::size_t i = 0; i < sizes.size(); ++i) sizes[i].Glyphs.resize(counts[i]);

  // Offsets are checked once the coverage's length is known, after the glyph records.
  std::vector<std::uint32_t> offsets;
  for (Size& size : sizes) {
    for (Entry& entry : size.Glyphs) {
      const auto cp = in.U32();
      const auto advance = in.U16();
      const auto left = in.I16(), top = in.I16();
      const auto width = in.U16(), rows = in.U16();
      const auto offset = in.U32();
      if (!offset) return Refuse(error, "is cut short in its glyphs");
      if (*cp > 0x10FFFF || (&entry != size.Glyphs.data() && *cp <= (&entry - 1)->CodePoint)) {
        return Refuse(error, "has its characters out of order or out of range");
      }
      if (*advance > 4 * size.Cell.Height) return Refuse(error, "has a glyph too wide");
      entry.CodePoint = *cp;
      entry.Image = {*advance, *left, *top, *width, *rows, {}};
      offsets.push_back(*offset);
    }
    if (Find(size, kReplacementCharacter) == nullptr) {
      return Refuse(error, "lacks U+FFFD at a size");
    }
  }

  const auto coverageBytes = in.U32();
  if (!coverageBytes) return Refuse(error, "is cut short before its coverage");
  const auto coverage = in.Bytes(*coverageBytes);
  if (!coverage) return Refuse(error, "is cut short in its coverage");
  if (in.Left() != 0) return Refuse(error, "has bytes after its end");
  std::size_t n = 0;
  for (Size& size : sizes) {
    for (Entry& entry : size.Glyphs) {
      const std::uint64_t offset = offsets[n++];
      const std::uint64_t bytes = static_cast<std::uint64_t>(entry.Image.Width) *
                                  static_cast<std::uint64_t>(entry.Image.Rows);
      if (offset > coverage->size() || bytes > coverage->size() - offset) {
        return Refuse(error, "has a glyph outside its coverage");
      }
      // Both fit in size_t now: they are within the coverage.
      entry.Image.Coverage =
          coverage->subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(bytes));
    }
  }
  if (error != nullptr) error->clear();
  return std::unique_ptr<AtlasTypeface>(new AtlasTypeface(std::move(sizes)));
}

const AtlasTypeface::Size* AtlasTypeface::SizeOf(int height) const {
  for (const Size& size : sizes_) {
    if (size.Height == height) return &size;
  }
  return nullptr;
}

const GlyphImage* AtlasTypeface::Find(const Size& size, char32_t cp) {
  const auto at = std::lower_bound(size.Glyphs.begin(), size.Glyphs.end(), cp,
                                   [](const Entry& e, char32_t c) { return e.CodePoint < c; });
  return at != size.Glyphs.end() && at->CodePoint == cp ? &at->Image : nullptr;
}

GlyphRun AtlasTypeface::Render(std::string_view utf8, int height) const {
  const Size* size = SizeOf(height);
  if (size == nullptr) return {};
  const GlyphImage* replacement = Find(*size, kReplacementCharacter);
  std::vector<const GlyphImage*> glyphs;
  glyphs.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const GlyphImage* glyph = Find(*size, DecodeUtf8(utf8, i));
    glyphs.push_back(glyph != nullptr ? glyph : replacement);
  }
  return ComposeRun(size->Cell, glyphs);
}

bool AtlasTypeface::Covers(std::string_view utf8, int height) const {
  const Size* size = SizeOf(height);
  if (size == nullptr) return false;
  for (std::size_t i = 0; i < utf8.size();) {
    if (Find(*size, DecodeUtf8(utf8, i)) == nullptr) return false;
  }
  return true;
}

std::vector<std::uint8_t> EncodeAtlas(std::span<const AtlasTypeface::Size> sizes) {
  std::vector<std::uint8_t> out(std::begin(kAtlasMagic), std::end(kAtlasMagic));
  PutU32(out, kAtlasVersion);
  PutU32(out, static_cast<std::uint32_t>(sizes.size()));
  for (const AtlasTypeface::Size& size : sizes) {
    PutU32(out, static_cast<std::uint32_t>(size.Height));
    PutU32(out, static_cast<std::uint32_t>(size.Cell.Height));
    PutU32(out, static_cast<std::uint32_t>(size.Cell.Baseline));
    PutU32(out, static_cast<std::uint32_t>(size.Glyphs.size()));
  }
  std::vector<std::uint8_t> coverage;
  for (const AtlasTypeface::Size& size : sizes) {
    for (const AtlasTypeface::Entry& entry : size.Glyphs) {
      const GlyphImage& image = entry.Image;
      PutU32(out, entry.CodePoint);
      PutU16(out, static_cast<std::uint32_t>(image.Advance));
      PutU16(out, static_cast<std::uint32_t>(image.Left));
      PutU16(out, static_cast<std::uint32_t>(image.Top));
      PutU16(out, static_cast<std::uint32_t>(image.Width));
      PutU16(out, static_cast<std::uint32_t>(image.Rows));
      PutU32(out, static_cast<std::uint32_t>(coverage.size()));
      coverage.insert(coverage.end(), image.Coverage.begin(), image.Coverage.end());
    }
  }
  PutU32(out, static_cast<std::uint32_t>(coverage.size()));
  out.insert(out.end(), coverage.begin(), coverage.end());
  return out;
}

}  // namespace enclova
