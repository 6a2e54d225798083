// SPDX-License-Identifier: MIT
// The replay's text file: writing it, reading it strictly, naming and pruning the files.
#include "replay/replay_file.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "app/screen_layout.h"
#include "base/file_io.h"

namespace enclova::replay {

namespace {

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t b : bytes) text += {kDigits[b >> 4], kDigits[b & 15]};
  return text;
}

std::string Hex32(std::uint32_t v, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*x", width, v);
  return buffer;
}

// Splits a line into its space-separated words; an empty word (two spaces) is kept, so that
// a line written by anything but us is refused.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  for (;;) {
    const std::size_t space = line.find(' ', start);
    words.push_back(line.substr(start, space - start));
    if (space == std::string_view::npos) return words;
    start = space + 1;
  }
}

// A piece of the file for a message: at most 20 bytes, anything but printable ASCII as '?', so
// that the message stays one readable line whatever the file holds.
std::string Shown(std::string_view text) {
  std::string shown(text.substr(0, 20));
  for (char& c : shown) {
    if (c < 0x20 || c > 0x7E) c = '?';
  }
  return shown;
}

template <typename T>
bool Number(std::string_view text, T& value, int base = 10) {
  if (text.empty() || text.size() > 20) return false;
  if (base == 16 && text.front() == '-') return false;
  if (text.front() == '+') return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

bool HexDigest(std::string_view text, std::size_t digits) {
  return text.size() == digits && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

// Hex bytes: exactly `size` of them, or when `exact` is false any number up to it.
bool ParseBytes(std::string_view text, std::vector<std::uint8_t>& bytes, std::size_t size,
                bool exact) {
  if (text.size() % 2 != 0 || text.size() > 2 * size || (exact && text.size() != 2 * size) ||
      !HexDigest(text, text.size())) {
    return false;
  }
  bytes.clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    std::uint8_t b = 0;
    if (!Number(text.substr(i, 2), b, 16)) return false;
    bytes.push_back(b);
  }
  return true;
}

// Reads the lines one by one and says what went wrong where.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  // The next line, or nothing at the end of the text. A line must end in a newline.
  std::optional<std::string_view> Next() {
    if (at_ >= text_.size()) return std::nullopt;
    const std::size_t newline = text_.find('\n', at_);
    ++line_;
    if (newline == std::string_view::npos) {
      at_ = text_.size();
      truncatedLine_ = true;
      return std::nullopt;
    }
    std::string_view line = text_.substr(at_, newline - at_);
    at_ = newline + 1;
    return line;
  }
  bool TruncatedLine() const { return truncatedLine_; }
  int Line() const { return line_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  int line_ = 0;
  bool truncatedLine_ = false;
};

}  // namespace

SurfaceState SurfaceState::Of(const Surface& s) {
  return {s.Pen.Color,
          s.Brush.Color,
          s.Font.Color,
          s.Font.Height,
          static_cast<std::uint32_t>(s.CopyMode),
          s.PenPos.X,
          s.PenPos.Y};
}

void SurfaceState::ApplyTo(Surface& s) const {
  s.Pen.Color = Pen;
  s.Brush.Color = Brush;
  s.Font.Color = FontColor;
  s.Font.Height = FontHeight;
  s.CopyMode = static_cast<TCopyMode>(CopyMode);
  s.PenPos = {PenX, PenY};
}

std::string WriteReplay(const Replay& r) {
  // Only a round that needs version 2 is written as such, so that older builds still play the
  // others.
  const bool rereads = std::any_of(r.Calls.begin(), r.Calls.end(),
                                   [](const RecordedCall& c) { return c.Reread.has_value(); });
  std::string out;
  out += "enclova-replay " + std::to_string(rereads ? 2 : 1) + "\n";
  out += "recorded " + r.Recorded + "\n";
  out += "sheet " + r.Sheet + "\n";
  out += "seed " + std::to_string(r.Seed) + "\n";
  out += "level " + std::to_string(r.Level) + "\n";
  out += "lastrank " + std::to_string(r.LastRank) + "\n";
  out += "table " + HexBytes(r.Table) + "\n";
  out += "file " + (r.File ? HexBytes(*r.File) : std::string("none")) + "\n";
  for (int i = 0; i < kSurfaceCount; ++i) {
    const SurfaceState& s = r.Surfaces[i];
    out += std::string("surface ") + kSurfaceNames[i] + " " + Hex32(s.Pen, 6) + " " +
           Hex32(s.Brush, 6) + " " + std::to_string(s.FontHeight) + " " + Hex32(s.FontColor, 6) +
           " " + Hex32(s.CopyMode, 6) + " " + std::to_string(s.PenX) + " " +
           std::to_string(s.PenY) + "\n";
  }
  out += "calls\n";
  for (std::size_t i = 0; i < r.Calls.size(); ++i) {
    const RecordedCall& c = r.Calls[i];
    switch (c.Call.Type) {
      case HandlerCall::Key:
        out += "k " + std::to_string(c.DelayMs) + " " + Hex32(c.Call.KeyCode, 2);
        break;
      case HandlerCall::Tick:
        out += "t " + std::to_string(c.DelayMs);
        break;
      case HandlerCall::Paint:
        out += "p " + std::to_string(c.DelayMs) + " " + std::to_string(c.Call.X) + " " +
               std::to_string(c.Call.Y) + " " + std::to_string(c.Call.Width) + " " +
               std::to_string(c.Call.Height);
        break;
    }
    for (std::int32_t reading : c.Readings) out += " @" + std::to_string(reading);
    for (const auto& [index, result] : c.FileResults) {
      out += " !" + std::to_string(index) + ":" + std::to_string(result);
    }
    out += "\n";
    if (c.Reread) {
      out += "reread " + std::to_string(i + 1) + " " +
             (!c.Reread->Opened         ? std::string("unopened")
              : c.Reread->Bytes.empty() ? std::string("empty")
                                        : HexBytes(c.Reread->Bytes)) +
             "\n";
    }
    if (c.PictureAfter) out += "d " + std::to_string(i + 1) + " " + *c.PictureAfter + "\n";
  }
  out +=
      "end " + r.Verdict + " " + std::to_string(r.TimeScore) + " " + std::to_string(r.Rank) + "\n";
  out += "picture " + r.PictureSha256 + "\n";
  out += "ranking " + r.RankingSha256 + "\n";
  return out;
}

std::optional<Replay> ParseReplay(std::string_view text, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<Replay> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  if (text.size() > kMaxFileBytes) {
    return fail("too large for a replay (" + std::to_string(text.size()) + " bytes, at most " +
                std::to_string(kMaxFileBytes) + ")");
  }
  Reader reader(text);
  Replay r;

  // The version line decides everything else, so it is read on its own.
  const auto first = reader.Next();
  if (!first || first->substr(0, 15) != "enclova-replay ") return fail("not an enclova replay");
  int version = 0;
  if (!Number(first->substr(15), version) || version < 1) {
    return fail("line 1: not a replay version: " + Shown(first->substr(15)));
  }
  if (version > kFormatVersion) {
    return fail("replay version " + std::to_string(version) +
                " is newer than this enclova reads (" + std::to_string(kFormatVersion) + ")");
  }

  // Each expected line in turn: its first word, then its arguments.
  std::vector<std::string_view> w;
  std::string where;
  bool ended = false;
  auto expect = [&](const char* key, std::size_t arguments) {
    const auto line = reader.Next();
    where = "line " + std::to_string(reader.Line()) + ": ";
    ended = !line;
    if (!line) return false;
    w = Words(*line);
    return w[0] == key && w.size() == arguments + 1;
  };
  auto missing = [&](const std::string& key) {
    return fail(where + "expected \"" + key + "\"" + (ended ? " (the file is truncated)" : ""));
  };

  if (!expect("recorded", 1) || w[1].size() != 24) return missing("recorded");
  r.Recorded = std::string(w[1]);
  if (!expect("sheet", 1) || !HexDigest(w[1], 16)) return missing("sheet");
  r.Sheet = std::string(w[1]);
  if (!expect("seed", 1) || !Number(w[1], r.Seed)) return missing("seed");
  if (!expect("level", 1) || !Number(w[1], r.Level) || r.Level < 1 || r.Level > 10) {
    return missing("level");
  }
  if (!expect("lastrank", 1) || !Number(w[1], r.LastRank) || r.LastRank < 1 || r.LastRank > 21) {
    return missing("lastrank");
  }
  if (!expect("table", 1) || !ParseBytes(w[1], r.Table, kRecordFileBytes, true)) {
    return missing("table");
  }
  if (!expect("file", 1)) return missing("file");
  if (w[1] != "none") {
    std::vector<std::uint8_t> bytes;
    if (!ParseBytes(w[1], bytes, kMaxRecordFileBytes, false)) return missing("file");
    r.File = std::move(bytes);
  }
  for (int i = 0; i < kSurfaceCount; ++i) {
    SurfaceState& s = r.Surfaces[i];
    if (!expect("surface", 8) || w[1] != kSurfaceNames[i] || !Number(w[2], s.Pen, 16) ||
        !Number(w[3], s.Brush, 16) || !Number(w[4], s.FontHeight) ||
        !Number(w[5], s.FontColor, 16) || !Number(w[6], s.CopyMode, 16) || !Number(w[7], s.PenX) ||
        !Number(w[8], s.PenY) || std::abs(s.PenX) > 10000 || std::abs(s.PenY) > 10000 ||
        std::abs(s.FontHeight) > 1000 || s.Pen > 0xFFFFFF || s.Brush > 0xFFFFFF ||
        s.FontColor > 0xFFFFFF ||
        (s.CopyMode != SRCCOPY && s.CopyMode != SRCAND && s.CopyMode != SRCINVERT)) {
      return missing(std::string("surface ") + kSurfaceNames[i]);
    }
  }
  if (!expect("calls", 0)) return missing("calls");

  // The calls, each perhaps followed by its picture hash, up to "end". Room for them is made
  // once, from the lines left: a vector that grows by doubling holds both its old and new
  // storage at its peak, and the calls are most of a replay's memory.
  r.Calls.reserve(std::min<std::size_t>(
      static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), kMaxCalls));
  std::int64_t painted = 0;
  std::size_t readings = 0, fileResults = 0;
  for (;;) {
    const auto line = reader.Next();
    where = "line " + std::to_string(reader.Line()) + ": ";
    if (!line) return fail(where + "expected a call or \"end\" (the file is truncated)");
    w = Words(*line);
    if (w[0] == "end") break;
    if (w[0] == "reread") {
      // After its call, before the call's picture hash.
      std::size_t index = 0;
      RankingReread read;
      bool valid = version >= 2 && w.size() == 3 && Number(w[1], index) &&
                   index == r.Calls.size() && index != 0 && !r.Calls.back().Reread &&
                   !r.Calls.back().PictureAfter;
      if (valid && w[2] == "unopened") {
        read.Opened = false;
      } else if (valid && w[2] != "empty") {
        valid = !w[2].empty() && ParseBytes(w[2], read.Bytes, kMaxRecordFileBytes, false);
      }
      if (!valid) return fail(where + "a reread of the ranking out of place");
      r.Calls.back().Reread = std::move(read);
      continue;
    }
    if (w[0] == "d") {
      std::size_t index = 0;
      if (w.size() != 3 || !Number(w[1], index) || index != r.Calls.size() || index == 0 ||
          index % kDigestEvery != 0 || r.Calls.back().PictureAfter || !HexDigest(w[2], 16)) {
        return fail(where + "a picture hash out of place");
      }
      r.Calls.back().PictureAfter = std::string(w[2]);
      continue;
    }
    if (r.Calls.size() >= kMaxCalls) return fail(where + "more calls than any round makes");
    RecordedCall c;
    c.Line = reader.Line();
    std::size_t arguments = 0;
    if (w[0] == "k") {
      c.Call.Type = HandlerCall::Key;
      arguments = 1;
    } else if (w[0] == "t") {
      c.Call.Type = HandlerCall::Tick;
    } else if (w[0] == "p") {
      c.Call.Type = HandlerCall::Paint;
      arguments = 4;
    } else {
      return fail(where + "not a call: \"" + Shown(w[0]) + "\"");
    }
    if (w.size() < 2 + arguments || !Number(w[1], c.DelayMs)) {
      return fail(where + "a call without its time or arguments");
    }
    if (c.Call.Type == HandlerCall::Key &&
        (w[2].size() != 2 || !Number(w[2], c.Call.KeyCode, 16))) {
      return fail(where + "not a key code");
    }
    if (c.Call.Type == HandlerCall::Paint) {
      HandlerCall& p = c.Call;
      // Each side is checked against what is left of the window, so that no sum can overflow.
      if (!Number(w[2], p.X) || !Number(w[3], p.Y) || !Number(w[4], p.Width) ||
          !Number(w[5], p.Height) || p.X < 0 || p.Y < 0 || p.X >= kClientWidth ||
          p.Y >= kClientHeight || p.Width <= 0 || p.Height <= 0 || p.Width > kClientWidth - p.X ||
          p.Height > kClientHeight - p.Y) {
        return fail(where + "a paint area outside the window");
      }
      painted += static_cast<std::int64_t>(p.Width) * p.Height;
      if (painted > kMaxPaintedPixels) {
        return fail(where + "more painting than any round asks for");
      }
    }
    for (std::size_t k = 2 + arguments; k < w.size(); ++k) {
      const std::string_view item = w[k];
      if (item.size() > 1 && item[0] == '@' && c.FileResults.empty()) {
        std::int32_t reading = 0;
        if (!Number(item.substr(1), reading)) {
          return fail(where + "not a clock reading: " + Shown(item));
        }
        if (c.Readings.size() >= static_cast<std::size_t>(kMaxReadingsPerCall) ||
            ++readings > kMaxReadings) {
          return fail(where + "more clock readings than any round makes");
        }
        c.Readings.push_back(reading);
        continue;
      }
      const std::size_t colon = item.find(':');
      int index = 0;
      long result = 0;
      if (item.size() < 4 || item[0] != '!' || colon == std::string_view::npos ||
          !Number(item.substr(1, colon - 1), index) || !Number(item.substr(colon + 1), result) ||
          index < 0 || index > 64 ||
          (!c.FileResults.empty() && index <= c.FileResults.rbegin()->first)) {
        return fail(where + "not a clock reading or file result: " + Shown(item));
      }
      if (++fileResults > kMaxFileResults) {
        return fail(where + "more failed file operations than any round meets");
      }
      c.FileResults[index] = result;
    }
    r.Calls.push_back(std::move(c));
  }
  if (w.size() != 4 || (w[1] != "good" && w[1] != "miss" && w[1] != "quit") ||
      !Number(w[2], r.TimeScore) || !Number(w[3], r.Rank)) {
    return fail(where + "not an end line");
  }
  r.Verdict = std::string(w[1]);
  if (r.Calls.empty() || r.Calls.front().Call.Type != HandlerCall::Key) {
    return fail(where + "a round starts with its key");
  }
  if (!expect("picture", 1) || !HexDigest(w[1], 64)) return missing("picture");
  r.PictureSha256 = std::string(w[1]);
  if (!expect("ranking", 1) || !HexDigest(w[1], 64)) return missing("ranking");
  r.RankingSha256 = std::string(w[1]);
  if (reader.Next() || reader.TruncatedLine()) {
    return fail("line " + std::to_string(reader.Line()) + ": text after the end");
  }
  return r;
}

std::string ReplayFileName(const Replay& r) {
  // "2026-12-10T13:26:19.123Z" -> "20261210-132619-123"
  std::string date;
  for (std::size_t i = 0; i < r.Recorded.size() && date.size() < 19; ++i) {
    const char c = r.Recorded[i];
    if (c >= '0' && c <= '9') date.push_back(c);
    if (date.size() == 8 || date.size() == 15) date.push_back('-');
  }
  date.resize(19, '0');
  char rest[64];
  std::snprintf(rest, sizeof rest, "_L%02d_%s_%dm%02ds_", static_cast<int>(r.Level),
                r.Verdict.c_str(), static_cast<int>(r.TimeScore / 100),
                static_cast<int>(r.TimeScore % 100));
  const std::string rank =
      r.Rank >= 1 && r.Rank <= 20
          ? "rank" + std::string(r.Rank < 10 ? "0" : "") + std::to_string(r.Rank)
          : "norank";
  return date + rest + rank + ".replay";
}

std::string NumberedReplayName(const std::string& name, int number) {
  constexpr std::string_view kSuffix = ".replay";
  const bool replay = name.ends_with(kSuffix);
  const std::string stem = replay ? name.substr(0, name.size() - kSuffix.size()) : name;
  return stem + "_" + std::to_string(number) + (replay ? std::string(kSuffix) : "");
}

namespace {

// Ours: "YYYYMMDD-HHMMSS-mmm_..." ending in ".replay"; the date first makes the order.
bool IsReplayName(const std::string& name) {
  if (name.size() < 27 || !name.ends_with(".replay")) return false;
  for (std::size_t i = 0; i < 19; ++i) {
    const bool digit = name[i] >= '0' && name[i] <= '9';
    if ((i == 8 || i == 15) ? name[i] != '-' : !digit) return false;
  }
  return name[19] == '_';
}

// "..._norank.replay", or a numbered "..._norank_2.replay".
bool IsUnranked(const std::string& name) {
  std::string_view stem(name);
  stem.remove_suffix(7);  // ".replay"
  const std::size_t last = stem.rfind('_');
  if (last != std::string_view::npos && last + 1 < stem.size() &&
      std::all_of(stem.begin() + static_cast<std::ptrdiff_t>(last) + 1, stem.end(),
                  [](char c) { return c >= '0' && c <= '9'; })) {
    stem = stem.substr(0, last);
  }
  return stem.ends_with("_norank");
}

}  // namespace

std::vector<std::string> ReplaysToPrune(std::vector<std::string> names, std::size_t keep,
                                        std::size_t most) {
  std::erase_if(names, [](const std::string& n) { return !IsReplayName(n); });
  if (names.size() <= keep || most == 0) return {};
  // Only the order around the keep-th most recent round matters, and then that of the few to
  // remove: no full sort of a folder of thousands.
  const auto recent = names.end() - static_cast<std::ptrdiff_t>(keep);
  std::nth_element(names.begin(), recent, names.end());
  std::vector<std::string> prune;
  std::copy_if(names.begin(), recent, std::back_inserter(prune), IsUnranked);
  if (prune.size() > most) {
    std::nth_element(prune.begin(), prune.begin() + static_cast<std::ptrdiff_t>(most), prune.end());
    prune.resize(most);
  }
  std::sort(prune.begin(), prune.end());
  return prune;
}

bool IsReplayTemporary(const std::string& entry) {
  const std::size_t at = entry.rfind(".replay.tmp");
  return at != std::string::npos && IsTemporaryNameOf(entry, entry.substr(0, at + 7));
}

}  // namespace enclova::replay
