// SPDX-License-Identifier: MIT
// A recorded round as data, and its text file.
//
// The file is line-oriented text. An example, shortened:
//
//   enclova-replay 1
//   recorded 2026-12-10T13:26:19.123Z
//   sheet 5f1c0d3a9b2e7c44
//   seed 123456789
//   level 1
//   lastrank 21
//   table 00000000...ffffffff          the ranking table at the start, as its 160 file bytes
//   file 00000000...ffffffff           the ranking file at the start, or "file none"
//   surface canvas 000000 ffffff -12 000000 cc0020 0 0
//   surface path ...                   pen, brush, font height and colour, copy mode, pen position
//   surface judge ... / side ... / strip ...
//   calls
//   k 0 5a @1000000                    key 0x5A, 0 ms after the previous call, one clock reading
//   t 33 @1000033
//   p 12 0 0 600 400                   a paint of the area x y width height
//   t 21 @1000066 !0:-5                the call's file operation 0 failed with -5
//   reread 48 00000000...ffffffff      call 48 read the ranking file again: what it read
//   d 50 9f3c2a1b4d5e6f70              the picture's 64-bit hash after call 50
//   end good 12 1                      verdict (good, miss, quit), time score, rank (21: none)
//   picture 3b1f...                    SHA-256 of the final picture's RGB bytes
//   ranking 8c2e...                    SHA-256 of the ranking file as the round left it
//
// Nothing else may appear, in no other order; a file of a newer version is refused by name.
// Version 2 only adds the "reread" line; a round without one is written as version 1, so that
// every build that plays version 1 plays it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/screen_layout.h"
#include "gfx/surface.h"

namespace enclova::replay {

constexpr int kFormatVersion = 2;
constexpr int kDigestEvery = 50;  // calls between two intermediate picture hashes
// Bounds on what a file may ask of playback, from what a real round can hold. The clock stops
// at 9:59; a round that long, with every 33 ms tick delivered (a stepped test clock; the window
// sleeps through most of them) and keys at auto-repeat speed throughout, makes about 40,000
// calls of about 20 bytes each, and reads the clock at most 3 times in a call. Beyond 9:59 the
// window ticks once a second, so these bounds hold a real round of hours. A larger file is
// refused before it is read, so neither parsing nor playing any file takes long or much memory.
constexpr std::size_t kMaxFileBytes = 4u << 20;
constexpr std::size_t kMaxCalls = 100'000;
constexpr int kMaxReadingsPerCall = 64;
constexpr std::size_t kMaxReadings = 4 * kMaxCalls;
// Only failed or short file operations are written, a handful in a round whose saves fail.
constexpr std::size_t kMaxFileResults = 10'000;
// A paint redraws its area; a real round is painted whole a few times (the window shown,
// uncovered, a tab shown again). A hundred whole windows leaves a wide margin, and keeps the
// costliest file near ten real rounds: a whole window at the largest board costs about as much
// as 400 ticks (bench/costliest_replay_bench.cpp).
constexpr std::int64_t kMaxPaintedPixels = 100LL * kClientWidth * kClientHeight;
constexpr std::size_t kRecordFileBytes = 160;
// A ranking file of another size is kept as it is, up to this size.
constexpr std::size_t kMaxRecordFileBytes = 4096;

// The drawing state a surface carries from one round into the next.
struct SurfaceState {
  TColor Pen = 0, Brush = 0, FontColor = 0;
  int FontHeight = 0;
  std::uint32_t CopyMode = 0;
  int PenX = 0, PenY = 0;

  static SurfaceState Of(const Surface& s);
  void ApplyTo(Surface& s) const;
  bool operator==(const SurfaceState&) const = default;
};

// The surfaces whose drawing state a replay keeps, by their names in the file.
inline constexpr const char* kSurfaceNames[] = {"canvas", "path", "judge", "side", "strip"};
constexpr int kSurfaceCount = 5;

// The ranking file as the game read it again during a call, because another game had saved it
// since this one last read it: the round is ranked against that, so playback must see it too.
struct RankingReread {
  bool Opened = true;  // false: its open failed (the failure is among the call's file results)
  std::vector<std::uint8_t> Bytes;  // what the reads brought, at most kMaxRecordFileBytes
  bool operator==(const RankingReread&) const = default;
};

struct RecordedCall {
  HandlerCall Call;
  std::uint32_t DelayMs = 0;            // since the previous call (the round's start for the first)
  std::vector<std::int32_t> Readings;   // CurrentMilliseconds, in the order the call read it
  std::map<int, long> FileResults;      // file operation index within the call -> its result
  std::optional<RankingReread> Reread;  // when the call read the ranking file again
  std::optional<std::string> PictureAfter;  // hash after this call, every kDigestEvery calls
  int Line = 0;                             // where it stands in the file, for messages
};

struct Replay {
  std::string Recorded;  // UTC, ISO 8601 with milliseconds
  std::string Sheet;     // 64-bit hash of the sprite sheet's pixels
  std::uint32_t Seed = 0;
  std::int32_t Level = 1;
  std::int32_t LastRank = 21;
  std::vector<std::uint8_t> Table;                // 160 bytes
  std::optional<std::vector<std::uint8_t>> File;  // the ranking file (any size), when there was one
  SurfaceState Surfaces[kSurfaceCount];
  std::vector<RecordedCall> Calls;
  std::string Verdict;  // good, miss, quit
  std::int32_t TimeScore = 0;
  std::int32_t Rank = 21;
  std::string PictureSha256;
  std::string RankingSha256;
};

std::string WriteReplay(const Replay& replay);

// The replay in `text`, or nothing with one line saying why in `error` (the line number first
// when a line is at fault).
std::optional<Replay> ParseReplay(std::string_view text, std::string* error);

// The file name: sorts by date, then shows level, verdict, time and rank, e.g.
// "20261210-132619-123_L01_good_0m12s_rank01.replay"; unranked rounds end "_norank".
std::string ReplayFileName(const Replay& replay);
// The name a replay takes when another round of the same millisecond holds `name` already:
// "..._rank01_2.replay" for `number` 2.
std::string NumberedReplayName(const std::string& name, int number);

// Which of the replay files in a directory to delete: every ranked round stays, and so do the
// `keep` most recent rounds; other names are not ours and stay too. At most `most` of them, the
// oldest first, so that a folder of thousands is emptied a few at a time.
std::vector<std::string> ReplaysToPrune(std::vector<std::string> names, std::size_t keep = 50,
                                        std::size_t most = SIZE_MAX);

// True for what a save of a replay left in the folder when it was stopped midway: a replay
// name's temporaries (TemporaryName), and its "<name>.tmp" of older builds.
bool IsReplayTemporary(const std::string& entry);

}  // namespace enclova::replay
