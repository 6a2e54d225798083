// SPDX-License-Identifier: MIT
// Recording rounds and playing them back: digests, the file's format and its refusals, the
// pruning rule, and a recorder that cannot write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "replay/digest.h"
#include "replay/replay_run.h"
#include "tests/kit/records.h"
#include "tests/replay_fixture.h"

namespace enclova::testing {
namespace {

using replay::ParseReplay;
using replay::Sha256;
using replay::Sha256Hex;

TEST(Sha256, KnownVectors) {
  // Sha256Hex takes the processor's SHA instructions where there are any; both paths are
  // compared on every length in PortableAndHardwarePathsAgree.
  EXPECT_EQ(Sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc", 3),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(Sha256Hex(two.data(), two.size()),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // A million 'a' fed in uneven pieces, so every way through the block buffer is taken.
  Sha256 sha;
  const std::string piece(1024, 'a');
  std::size_t fed = 0;
  for (std::size_t n = 1; fed < 1'000'000; n = n % 997 + 13) {
    const std::size_t take = std::min(n, 1'000'000 - fed);
    sha.Update(piece.data(), take);
    fed += take;
  }
  const auto digest = sha.Final();
  EXPECT_EQ(replay::Hex(digest.data(), digest.size()),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // 55, 56 and 64 bytes sit on the padding's edges (digests from another implementation).
  const struct {
    std::size_t size;
    const char* digest;
  } kEdges[] = {
      {55, "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072"},
      {56, "04c26261370ee7541549d16dee320c723e3fd14671e66a099afe0a377c16888e"},
      {64, "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"},
  };
  for (const auto& e : kEdges) {
    const std::string text(e.size, 'x');
    EXPECT_EQ(Sha256Hex(text.data(), text.size()), e.digest) << e.size << " bytes";
  }
}

TEST(Sha256, PortableAndHardwarePathsAgree) {
  if (!Sha256::HardwareAvailable()) GTEST_SKIP() << "no SHA instructions on this processor";
  std::mt19937 random(5);
  std::string data(3000, '\0');
  for (char& c : data) c = static_cast<char>(random());
  for (std::size_t size = 0; size <= data.size(); size += size < 300 ? 1 : 97) {
    Sha256 portable(false), hardware(true);
    portable.Update(data.data(), size);
    // In two pieces, so the buffered path is taken too.
    hardware.Update(data.data(), size / 3);
    hardware.Update(data.data() + size / 3, size - size / 3);
    ASSERT_EQ(portable.Final(), hardware.Final()) << size << " bytes";
  }
}

// ---- Record, then play back ----

GameHarness::Options GoodRoundOptions() {
  GameHarness::Options options;
  options.Seed = SeedWithGoodLoop(1, false);
  return options;
}

TEST(ReplayRoundTrip, RankedRoundPlaysBackToTheSamePictureAndRankingBytes) {
  RecordedGame g(GoodRoundOptions());
  PlayGoodRound(g);
  ASSERT_EQ(g.Form.GameMode, ModeRanking);
  ASSERT_EQ(g.Form.LastRank, 1);
  ASSERT_EQ(g.Store.Files.size(), 1u);
  EXPECT_NE(g.Store.Files.begin()->first.find("_L01_good_"), std::string::npos);
  EXPECT_NE(g.Store.Files.begin()->first.find("_rank01.replay"), std::string::npos);
  EXPECT_EQ(g.Store.Files.begin()->first.rfind(g.Dir.Path() + "/replays/20261210-", 0), 0u);

  const std::vector<std::uint8_t> savedRanking = ReadFileBytes(g.Dir.File("fdata.dat"));
  for (bool skip : {false, true}) {
    SCOPED_TRACE(skip ? "quiet ticks skipped" : "every tick played");
    Playback p(g.Replay(), g.Dir.Path(), g.Face.get(), skip);
    ASSERT_EQ(p.Error, "");
    EXPECT_TRUE(p.Result.Matches()) << replay::DescribeResult(*p.Replay, p.Result);
    EXPECT_EQ(p.Result.FirstDifferentCall, 0u);
    EXPECT_TRUE(SamePicture(p.Play->Form().Canvas, g.Form.Canvas));
    ASSERT_NE(p.Play->RankingFile(), nullptr);
    EXPECT_EQ(*p.Play->RankingFile(), savedRanking);
    EXPECT_EQ(p.Play->Form().LastRank, 1);
    // Playback never touched the real ranking file.
    EXPECT_EQ(ReadFileBytes(g.Dir.File("fdata.dat")), savedRanking);
  }
}

}  // namespace
}  // namespace enclova::testing

namespace enclova::testing {
namespace {

using replay::ParseReplay;

// The replay of a recorded round, parsed.
replay::Replay Parsed(const std::string& text) {
  std::string error;
  auto r = ParseReplay(text, &error);
  EXPECT_TRUE(r.has_value()) << error;
  return r ? *r : replay::Replay{};
}

TEST(ReplayRoundTrip, ChangedKeyIsReportedAtTheFirstPictureAfterIt) {
  RecordedGame g(GoodRoundOptions());
  PlayGoodRound(g);
  replay::Replay r = Parsed(g.Replay());
  ASSERT_GT(r.Calls.size(), 150u);
  // The third step of the traced loop: the third arrow after the Z that starts the path.
  std::size_t changed = 0, arrows = 0;
  bool tracing = false;
  for (std::size_t i = 1; i < r.Calls.size() && changed == 0; ++i) {
    const HandlerCall& c = r.Calls[i].Call;
    if (c.Type != HandlerCall::Key) continue;
    if (c.KeyCode == VK_Z) tracing = true;
    if (tracing && c.KeyCode >= VK_LEFT && c.KeyCode <= VK_DOWN && ++arrows == 3) changed = i;
  }
  ASSERT_NE(changed, 0u);
  HandlerCall& key = r.Calls[changed].Call;
  key.KeyCode = key.KeyCode == VK_LEFT ? VK_RIGHT : VK_LEFT;

  Playback p(replay::WriteReplay(r), g.Dir.Path(), g.Face.get());
  ASSERT_EQ(p.Error, "");
  EXPECT_FALSE(p.Result.Matches());
  EXPECT_FALSE(p.Result.PictureMatches);
  // Call numbers count from 1; the first recorded picture at or after the changed call.
  const std::size_t number = changed + 1;
  const std::size_t checkpoint =
      (number + replay::kDigestEvery - 1) / replay::kDigestEvery * replay::kDigestEvery;
  EXPECT_EQ(p.Result.FirstDifferentCall, checkpoint) << "the key was call " << number;
  const std::string line = replay::DescribeResult(*p.Replay, p.Result);
  EXPECT_NE(line.find("MISMATCH"), std::string::npos) << line;
  EXPECT_NE(line.find("after call " + std::to_string(checkpoint)), std::string::npos) << line;
}

// A round that strayed from the recording on the way and came back to the same last picture
// (the clock's digits, say, shown differently) is still no match.
TEST(ReplayRoundTrip, PictureThatDiffersOnTheWayIsNoMatchThoughTheEndAgrees) {
  RecordedGame g(GoodRoundOptions());
  PlayGoodRound(g);
  replay::Replay r = Parsed(g.Replay());
  std::size_t changed = 0;
  for (std::size_t i = 0; i < r.Calls.size() && changed == 0; ++i) {
    if (r.Calls[i].PictureAfter) changed = i + 1;
  }
  ASSERT_NE(changed, 0u);
  std::string& hash = *r.Calls[changed - 1].PictureAfter;
  hash[0] = hash[0] == '0' ? '1' : '0';

  Playback p(replay::WriteReplay(r), g.Dir.Path(), g.Face.get());
  ASSERT_EQ(p.Error, "");
  EXPECT_TRUE(p.Result.PictureMatches);
  EXPECT_TRUE(p.Result.RankingMatches);
  EXPECT_EQ(p.Result.FirstDifferentCall, changed);
  EXPECT_FALSE(p.Result.Matches());
  const std::string line = replay::DescribeResult(*p.Replay, p.Result);
  EXPECT_EQ(line.rfind("MISMATCH", 0), 0u) << line;
}

TEST(ReplayRoundTrip, FailedSaveIsPlayedBackAndTheOldRankingFileStays) {
  RecordedGame g(GoodRoundOptions());
  const std::vector<std::uint8_t> before = ReadFileBytes(g.Dir.File("fdata.dat"));
  g.StartRound(1);
  const auto loop = FindGoodLoop(g.Form);
  g.MoveTo(loop->StartX, loop->StartY);
  g.Key(VK_Z);
  g.Steps(loop->Steps);
  g.Key(VK_Z);
  g.Files.FailNext = "write";  // the save's write
  g.RunResult();
  ASSERT_EQ(g.Host.Errors.size(), 1u);
  ASSERT_EQ(ReadFileBytes(g.Dir.File("fdata.dat")), before);

  Playback p(g.Replay(), g.Dir.Path(), g.Face.get());
  ASSERT_EQ(p.Error, "");
  EXPECT_TRUE(p.Result.Matches()) << replay::DescribeResult(*p.Replay, p.Result);
  ASSERT_NE(p.Play->RankingFile(), nullptr);
  EXPECT_EQ(*p.Play->RankingFile(), before);

  // Without the recorded failure the save goes through, and the ranking is not the recorded one.
  replay::Replay r = Parsed(g.Replay());
  for (auto& c : r.Calls) c.FileResults.clear();
  Playback saved(replay::WriteReplay(r), g.Dir.Path(), g.Face.get());
  EXPECT_TRUE(saved.Result.PictureMatches);
  EXPECT_FALSE(saved.Result.RankingMatches);
}

// The ranking file as the round found it, whatever became of it after start-up.
TEST(ReplayRoundTrip, RankingFileOfAnySizeOrNoneIsPlayedBackAsFound) {
  for (int size : {-1, 0, 100, 160, 3000}) {
    SCOPED_TRACE("file of " + std::to_string(size) + " bytes");
    RecordedGame g;
    if (size < 0) {
      std::remove(g.Dir.File("fdata.dat").c_str());
    } else {
      std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
      for (int i = 0; i < size; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
      WriteFileBytes(g.Dir.File("fdata.dat"), bytes);
    }
    PlayMissedRound(g);
    Playback p(g.Replay(), g.Dir.Path(), g.Face.get());
    ASSERT_EQ(p.Error, "");
    EXPECT_TRUE(p.Result.Matches()) << replay::DescribeResult(*p.Replay, p.Result);
    EXPECT_EQ(p.Play->RankingFile() != nullptr, size >= 0);
  }
}

// A ranked round reads the ranking file again only when another game saved it since this one
// read it. Played back, the file is the one the round found (a longer one, or none even where
// the folder holds one), as the game had seen it: no operation more or less, so a recorded
// failure of the save falls on the save.
TEST(ReplayRoundTrip, RankedRoundOnARankingFileOfAnySizeOrNoneIsPlayedBackAsFound) {
  for (int size : {-1, 160, 3000}) {
    for (bool fails : {false, true}) {
      SCOPED_TRACE("file of " + std::to_string(size) + " bytes" + (fails ? ", save fails" : ""));
      GameHarness::Options options = GoodRoundOptions();
      if (size > 160) options.RecordFile.resize(static_cast<std::size_t>(size), 0xAB);
      RecordedGame g(options);
      if (size < 0) std::remove(g.Dir.File("fdata.dat").c_str());
      if (fails) g.Files.FailNext = "write";  // the save's write
      PlayGoodRound(g);
      ASSERT_EQ(g.Form.LastRank, 1);
      ASSERT_EQ(g.Host.Errors.size(), fails ? 1u : 0u);
      EXPECT_EQ(g.Replay().find("\nfile none\n") != std::string::npos, size < 0);
      const bool saved = std::filesystem::exists(g.Dir.File("fdata.dat"));
      const std::vector<std::uint8_t> left =
          saved ? ReadFileBytes(g.Dir.File("fdata.dat")) : std::vector<std::uint8_t>{};

      // The folder played in holds a ranking of better rounds than this one.
      WriteFileBytes(g.Dir.File("fdata.dat"), RecordFileOf(Filled(10, 0)));
      Playback p(g.Replay(), g.Dir.Path(), g.Face.get());
      ASSERT_EQ(p.Error, "");
      EXPECT_TRUE(p.Result.Matches()) << replay::DescribeResult(*p.Replay, p.Result);
      ASSERT_EQ(p.Play->RankingFile() != nullptr, saved);
      if (saved) {
        EXPECT_EQ(*p.Play->RankingFile(), left);
      }
    }
  }
}

// Another game saves the ranking while this round runs: the round is ranked against what that
// game saved, and so is its playback, where the file changes just before the call that read it
// again. Without that reread the playback ranks against the file the round started with.
TEST(ReplayRoundTrip, RankingSavedByAnotherGameDuringTheRoundIsPlayedBack) {
  RankingTable fourBetter = Filled(-1, 0);
  for (int i = 1; i <= 4; ++i) {
    fourBetter.RankLevels[i] = 5;
    fourBetter.RankTimes[i] = 1000;
  }
  const struct {
    const char* name;
    std::vector<std::uint8_t> saved;  // empty: the bytes the round started with
    std::int32_t rank;
    bool openFails = false;
  } kCases[] = {
      {"four better rounds", RecordFileOf(fourBetter), 5},
      {"twenty better rounds", RecordFileOf(Filled(10, 0)), kNoRank},
      {"a short file, which the game passes over", std::vector<std::uint8_t>(50, 7), 1},
      {"the same table saved again", {}, 1},
      {"four better rounds in a file that cannot be opened", RecordFileOf(fourBetter), 1, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    RecordedGame g(GoodRoundOptions());
    const std::vector<std::uint8_t> before = ReadFileBytes(g.Dir.File("fdata.dat"));
    const std::vector<std::uint8_t> saved = c.saved.empty() ? before : c.saved;
    TraceGoodLoop(g);
    // The other game's save: a new file renamed over the old one.
    WriteFileBytes(g.Dir.File("other"), saved);
    std::filesystem::rename(g.Dir.File("other"), g.Dir.File("fdata.dat"));
    g.Key(VK_Z);  // closes the loop
    // The result's operations: the lstat, open and lock of the lock, the two stats of the
    // changed file, and the open that reads it.
    const int reopen = g.Files.Operations + 5;
    if (c.openFails) {
      g.Files.FailAt = reopen;
      g.Files.FailWith = FileError::AccessDenied;
    }
    g.RunResult();
    if (c.openFails) {
      ASSERT_EQ(g.Files.Log.at(static_cast<std::size_t>(reopen)), "open");
    }
    ASSERT_EQ(g.Form.LastRank, c.rank);
    const std::vector<std::uint8_t> left = ReadFileBytes(g.Dir.File("fdata.dat"));
    EXPECT_EQ(left == saved, c.rank == kNoRank);  // a ranked round saved over it

    const replay::Replay r = Parsed(g.Replay());
    EXPECT_EQ(g.Replay().rfind("enclova-replay 2\n", 0), 0u);
    std::vector<replay::RankingReread> rereads;
    for (const auto& call : r.Calls) {
      if (call.Reread) rereads.push_back(*call.Reread);
    }
    EXPECT_EQ(
        rereads,
        (std::vector<replay::RankingReread>{c.openFails ? replay::RankingReread{false, {}}
                                                        : replay::RankingReread{true, saved}}));

    Playback p(g.Replay(), g.Dir.Path(), g.Face.get());
    ASSERT_EQ(p.Error, "");
    EXPECT_TRUE(p.Result.Matches()) << replay::DescribeResult(*p.Replay, p.Result);
    EXPECT_EQ(p.Play->Form().LastRank, c.rank);
    ASSERT_NE(p.Play->RankingFile(), nullptr);
    EXPECT_EQ(*p.Play->RankingFile(), left);

    if (c.rank != 1) {
      replay::Replay stripped = r;
      for (auto& call : stripped.Calls) call.Reread.reset();
      Playback q(replay::WriteReplay(stripped), g.Dir.Path(), g.Face.get());
      EXPECT_FALSE(q.Result.Matches());
      EXPECT_EQ(q.Play->Form().LastRank, 1);
    }
  }
}

// Another game saves the ranking at moments this round never reads it: after this round's own
// save and before the round ends, or during a round that ranks nothing. The replay's ranking is
// the file as this round last read or wrote it, so it plays back as recorded; the other game's
// later save is no part of this round. (The replay used to hold the file as it lay when the
// round ended, which no playback could reach.)
TEST(ReplayRoundTrip, RankingSavedByAnotherGameWhenTheRoundDoesNotReadItIsNoPartOfIt) {
  const std::vector<std::uint8_t> other = RecordFileOf(Filled(9, 500));
  const struct {
    const char* name;
    std::vector<std::uint8_t> ranking;  // the file the round starts with
    bool good;
    int savedAfterMs;  // into the result: after this round's save (2.5 s), before its end
    std::int32_t rank;
  } kCases[] = {
      {"a ranked round, saved over after its own save", EmptyRecordFile(), true, 4000, 1},
      {"a round that ranks nothing", RecordFileOf(Filled(10, 0)), true, 1000, kNoRank},
      {"a missed round", EmptyRecordFile(), false, 1000, kNoRank},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    GameHarness::Options options = c.good ? GoodRoundOptions() : GameHarness::Options{};
    options.RecordFile = c.ranking;
    RecordedGame g(options);
    if (c.good) {
      TraceGoodLoop(g);
      g.Key(VK_Z);  // closes the loop
      g.Run(c.savedAfterMs);
    } else {
      g.StartRound(1);
      g.MoveTo(1, 2);
      g.Keys("ZRDLU");
      g.Run(700);
      g.Key(VK_Z);
      g.Run(c.savedAfterMs);
    }
    const std::vector<std::uint8_t> left = ReadFileBytes(g.Dir.File("fdata.dat"));
    EXPECT_EQ(left == c.ranking, c.rank == kNoRank);
    ASSERT_EQ(g.Store.Files.size(), 0u) << "the round is still running";
    WriteFileBytes(g.Dir.File("other"), other);
    std::filesystem::rename(g.Dir.File("other"), g.Dir.File("fdata.dat"));
    g.RunResult();
    ASSERT_EQ(g.Store.Files.size(), 1u);
    ASSERT_EQ(g.Form.LastRank, c.rank);

    const replay::Replay r = Parsed(g.Replay());
    EXPECT_EQ(r.RankingSha256, replay::Sha256Hex(left.data(), left.size()));
    Playback p(g.Replay(), g.Dir.Path(), g.Face.get());
    ASSERT_EQ(p.Error, "");
    EXPECT_TRUE(p.Result.Matches()) << replay::DescribeResult(*p.Replay, p.Result);
    ASSERT_NE(p.Play->RankingFile(), nullptr);
    EXPECT_EQ(*p.Play->RankingFile(), left);
  }
}

// The reread's three forms are written as read, and only a round with one needs version 2.
TEST(ReplayRoundTrip, RereadsAreWrittenAsReadAndOnlyThenAsVersion2) {
  RecordedGame g;
  PlayMissedRound(g);
  ASSERT_EQ(g.Replay().rfind("enclova-replay 1\n", 0), 0u);
  replay::Replay r = Parsed(g.Replay());
  ASSERT_GT(r.Calls.size(), 60u);
  r.Calls[0].Reread = replay::RankingReread{true, {0x00, 0x7f, 0xff}};
  r.Calls[1].Reread = replay::RankingReread{true, {}};
  r.Calls[49].Reread = replay::RankingReread{false, {}};  // beside the picture hash of call 50
  ASSERT_TRUE(r.Calls[49].PictureAfter);
  const std::string text = replay::WriteReplay(r);
  EXPECT_EQ(text.rfind("enclova-replay 2\n", 0), 0u);
  EXPECT_NE(text.find("\nreread 1 007fff\n"), std::string::npos);
  EXPECT_NE(text.find("\nreread 2 empty\n"), std::string::npos);
  EXPECT_NE(text.find("\nreread 50 unopened\nd 50 "), std::string::npos);
  const replay::Replay back = Parsed(text);
  ASSERT_EQ(back.Calls.size(), r.Calls.size());
  for (std::size_t i = 0; i < r.Calls.size(); ++i) {
    EXPECT_EQ(back.Calls[i].Reread, r.Calls[i].Reread) << "call " << i + 1;
  }
  EXPECT_EQ(replay::WriteReplay(back), text);
}

TEST(ReplayRoundTrip, RoundEndedByEscapeIsKeptAsQuit) {
  RecordedGame g;
  g.StartRound(3);
  g.Keys("ZRRD");
  g.Key(VK_ESCAPE);
  g.Rec.Finish();  // what the program does once its loop has ended
  ASSERT_EQ(g.Store.Files.size(), 1u);
  EXPECT_NE(g.Store.Files.begin()->first.find("_L03_quit_"), std::string::npos);
  Playback p(g.Replay(), g.Dir.Path(), g.Face.get());
  EXPECT_TRUE(p.Result.Matches()) << replay::DescribeResult(*p.Replay, p.Result);
  EXPECT_TRUE(p.Play->TerminateRequested());
}

// ---- Files that are refused ----

// Writes `text` to a file and plays it as the command line does; the exit status.
int PlayFile(const std::string& dir, const std::string& text) {
  const std::string path = dir + "/case.replay";
  WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
  replay::ReplayOptions options;
  options.File = path;
  options.Headless = true;
  FaultyFileSystem files;
  files.Cwd = dir;
  FakeTypeface face;
  return replay::PlayHeadless(options, files, &face);
}

TEST(ReplayRefusal, MalformedTruncatedReorderedAndOversizedFilesExitWith2) {
  RecordedGame g;
  PlayMissedRound(g);
  const std::string good = g.Replay();
  ASSERT_EQ(PlayFile(g.Dir.Path(), good), 0);

  auto lines = [&] {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < good.size()) {
      const std::size_t nl = good.find('\n', at);
      out.push_back(good.substr(at, nl - at));
      at = nl + 1;
    }
    return out;
  }();
  auto join = [](const std::vector<std::string>& ls) {
    std::string text;
    for (const auto& l : ls) text += l + "\n";
    return text;
  };
  auto swapped = [&](std::size_t a, std::size_t b) {
    auto ls = lines;
    std::swap(ls[a], ls[b]);
    return join(ls);
  };
  auto indexOf = [&](const std::string& prefix) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind(prefix, 0) == 0) return i;
    }
    return std::size_t{0};
  };
  auto replaced = [&](std::size_t i, const std::string& line) {
    auto ls = lines;
    ls[i] = line;
    return join(ls);
  };
  // Version 2, with `added` after line `i`.
  auto withLines = [&](std::size_t i, std::vector<std::string> added, int version = 2) {
    auto ls = lines;
    ls[0] = "enclova-replay " + std::to_string(version);
    ls.insert(ls.begin() + static_cast<std::ptrdiff_t>(i) + 1, added.begin(), added.end());
    return join(ls);
  };
  std::mt19937 random(20261210);
  std::string noise(5000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string oversized = good;
  oversized.resize(replay::kMaxFileBytes + 1, '\n');
  const std::size_t firstCall = indexOf("calls") + 1, end = indexOf("end ");

  const struct {
    const char* name;
    std::string text;
  } kCases[] = {
      {"empty", ""},
      {"random bytes", noise},
      {"random bytes after the version", "enclova-replay 1\n" + noise},
      {"control bytes for a version", "enclova-replay \x1b[2J\r\n"},
      {"not a replay", "hello\n"},
      {"newer version",
       replaced(0, "enclova-replay " + std::to_string(replay::kFormatVersion + 1))},
      {"version not a number", replaced(0, "enclova-replay one")},
      {"truncated in half", good.substr(0, good.size() / 2)},
      {"truncated before its end", good.substr(0, good.find("\nend ") + 1)},
      {"last line cut", good.substr(0, good.size() - 1)},
      {"no ranking digest", join({lines.begin(), lines.end() - 1})},
      {"header lines swapped", swapped(3, 4)},
      {"picture hash before its call", swapped(indexOf("d 50"), indexOf("d 50") - 1)},
      {"digests swapped", swapped(end + 1, end + 2)},
      {"end before the calls", swapped(firstCall, end)},
      {"oversized", oversized},
      {"text after the end", good + "k 0 5a\n"},
      {"level 11", replaced(indexOf("level"), "level 11")},
      {"no such rank", replaced(indexOf("lastrank"), "lastrank 22")},
      {"pen far off the window",
       replaced(indexOf("surface canvas"),
                "surface canvas 000000 ffffff -12 000000 cc0020 0 99999")},
      {"paint outside the window", replaced(firstCall + 1, "p 0 10 10 600 400")},
      {"key code out of range", replaced(firstCall, "k 0 15a")},
      {"negative delay", replaced(firstCall + 1, "t -33 @1000033")},
      {"two spaces", replaced(firstCall + 1, "t  33")},
      {"reread in a version 1 file", withLines(firstCall, {"reread 1 00"}, 1)},
      {"reread before any call", withLines(firstCall - 1, {"reread 0 00"})},
      {"reread of another call", withLines(firstCall, {"reread 2 00"})},
      {"reread twice", withLines(firstCall, {"reread 1 00", "reread 1 00"})},
      {"reread after the picture hash", withLines(indexOf("d 50"), {"reread 50 00"})},
      {"reread of half a byte", withLines(firstCall, {"reread 1 0"})},
      {"reread of nothing", withLines(firstCall, {"reread 1 "})},
      {"reread of no hex", withLines(firstCall, {"reread 1 none"})},
      {"reread larger than any ranking file",
       withLines(firstCall, {"reread 1 " + std::string(2 * replay::kMaxRecordFileBytes + 2, 'a')})},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string error;
    EXPECT_FALSE(ParseReplay(c.text, &error).has_value());
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(
        std::all_of(error.begin(), error.end(), [](char ch) { return ch >= 0x20 && ch < 0x7F; }))
        << "one printable line: " << error;
    EXPECT_EQ(PlayFile(g.Dir.Path(), c.text), 2);
  }
}

// Any byte of a good file changed: refused, or played without harm to its end or to where it
// leaves its round, which counts as a difference (sanitizer builds check the harm).
TEST(ReplayRefusal, FilesWithAByteChangedAreRefusedOrPlayedSafely) {
  RecordedGame g;
  PlayMissedRound(g);
  const std::string good = g.Replay();
  std::mt19937 random(7);
  int refused = 0;
  for (int k = 0; k < 150; ++k) {
    std::string text = good;
    text[random() % text.size()] = static_cast<char>(random());
    std::string error;
    const auto r = ParseReplay(text, &error);
    if (!r) {
      ++refused;
      continue;
    }
    Playback p(text, g.Dir.Path(), g.Face.get());
    EXPECT_EQ(p.Error, "");
    EXPECT_TRUE(p.Result.Complete || p.Result.FirstDifferentCall != 0);
  }
  EXPECT_GT(refused, 0);
}

// ---- Pruning ----

TEST(ReplayPruning, RankedRoundsAndTheLastFiftyStay) {
  std::vector<std::string> names;
  auto name = [](int n, bool ranked) {
    char text[80];
    std::snprintf(text, sizeof text, "20261210-%06d-000_L01_%s.replay", n,
                  ranked ? "good_0m10s_rank05" : "miss_0m10s_norank");
    return std::string(text);
  };
  // 70 rounds, every tenth ranked, listed out of order, with names that are not ours.
  for (int n = 69; n >= 0; --n) names.push_back(name(n, n % 10 == 0));
  names.insert(names.end(), {".", "..", "notes.txt", "20261210-000000-000_L01_x.replay.tmp",
                             "20261210-000001-000_L01_miss_0m10s_norank.replay.tmp.0"});
  std::vector<std::string> pruned = replay::ReplaysToPrune(names);
  std::sort(pruned.begin(), pruned.end());
  std::vector<std::string> want;
  for (int n = 0; n < 20; ++n) {
    if (n % 10 != 0) want.push_back(name(n, false));
  }
  EXPECT_EQ(pruned, want);
  EXPECT_TRUE(replay::ReplaysToPrune({name(1, false), name(2, false)}).empty());
}

// A folder of thousands is emptied a few at a time, the oldest first; a numbered name is
// ranked or not as its round was.
TEST(ReplayPruning, AFewAtATimeOldestFirstNumberedNamesAsTheirRounds) {
  auto name = [](int n, const char* rest) {
    char text[80];
    std::snprintf(text, sizeof text, "20261210-%06d-000_L01_%s.replay", n, rest);
    return std::string(text);
  };
  std::vector<std::string> names;
  for (int n = 5000; n >= 0; --n) names.push_back(name(n, "miss_0m10s_norank"));
  names.insert(names.begin() + 100, {name(0, "miss_0m10s_norank_2"), name(0, "good_0m10s_rank05_2"),
                                     name(0, "good_0m10s_rank05_12")});
  const struct {
    std::size_t most;
    std::vector<std::string> want;
  } kCases[] = {
      {0, {}},
      {3,
       {name(0, "miss_0m10s_norank"), name(0, "miss_0m10s_norank_2"),
        name(1, "miss_0m10s_norank")}},
      {5,
       {name(0, "miss_0m10s_norank"), name(0, "miss_0m10s_norank_2"), name(1, "miss_0m10s_norank"),
        name(2, "miss_0m10s_norank"), name(3, "miss_0m10s_norank")}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE("at most " + std::to_string(c.most));
    EXPECT_EQ(replay::ReplaysToPrune(names, 50, c.most), c.want);
  }
  // Unbounded: every unranked round but the 50 most recent of all.
  const std::vector<std::string> all = replay::ReplaysToPrune(names, 50);
  EXPECT_EQ(all.size(), 5001u + 1u - 50u);
  EXPECT_EQ(all.back(), name(4950, "miss_0m10s_norank"));
}

TEST(ReplayPruning, TheRecorderPrunesAfterEachRound) {
  GameHarness::Options options = GoodRoundOptions();
  RecordedGame g(options, nullptr, 2);
  PlayGoodRound(g);  // ranked: kept for good
  g.Key(VK_Z);       // leaves the ranking screen
  for (int k = 0; k < 4; ++k) PlayMissedRound(g);
  std::vector<std::string> kept;
  for (const auto& [path, text] : g.Store.Files) kept.push_back(path.substr(path.rfind('/') + 1));
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_NE(kept[0].find("_good_"), std::string::npos);
  EXPECT_NE(kept[0].find("_rank01"), std::string::npos);
  EXPECT_EQ(kept[1].substr(0, 15), "20261210-000300");  // the fourth and fifth rounds
  EXPECT_EQ(kept[2].substr(0, 15), "20261210-000400");
}

// ---- A recorder that cannot write ----

TEST(ReplayRecording, UnwritableReplaysNeverDisturbTheRound) {
  const GameHarness::Options options = GoodRoundOptions();
  RecordedGame plain(options, nullptr, 50, false);
  PlayGoodRound(plain);
  ASSERT_EQ(plain.Form.LastRank, 1);

  // A store that fails every save, and the real store where "replays" is a file, not a folder.
  MemoryReplayStore full;
  full.FailSaves = true;
  PosixFileSystem posix;
  replay::FileReplayStore disk(posix);
  for (replay::ReplayStore* store : std::initializer_list<replay::ReplayStore*>{&full, &disk}) {
    SCOPED_TRACE(store == &full ? "full disk" : "replays is a file");
    RecordedGame g(options, store);
    WriteFileBytes(g.Dir.File("replays"), {'x'});
    PlayGoodRound(g);
    EXPECT_TRUE(SamePicture(g.Form.Canvas, plain.Form.Canvas));
    EXPECT_EQ(ReadFileBytes(g.Dir.File("fdata.dat")), ReadFileBytes(plain.Dir.File("fdata.dat")));
    EXPECT_TRUE(g.Host.Errors.empty());
    ASSERT_EQ(g.Warnings.size(), 1u);
    EXPECT_EQ(g.Warnings[0].rfind("enclova: replay not saved: ", 0), 0u) << g.Warnings[0];
    EXPECT_EQ(g.Warnings[0].find('\n'), std::string::npos);
    // The next round is recorded as usual once the folder can be written.
    if (store == &disk) {
      std::remove(g.Dir.File("replays").c_str());
      g.Key(VK_Z);  // leaves the ranking screen
      PlayMissedRound(g);
      std::vector<std::string> names = disk.List(g.Dir.File("replays"));
      std::erase_if(names,
                    [](const std::string& n) { return n.find(".replay") == std::string::npos; });
      ASSERT_EQ(names.size(), 1u);
      EXPECT_NE(names[0].find("_miss_"), std::string::npos);
      EXPECT_EQ(names[0].substr(names[0].size() - 7), ".replay");
    }
  }
}

}  // namespace
}  // namespace enclova::testing
