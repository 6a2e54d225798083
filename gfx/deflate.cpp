// SPDX-License-Identifier: MIT
// Deflate: LZ77 over hash chains with one step of lazy matching, Huffman codes by package-merge.
#include "gfx/deflate.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>

namespace enclova {

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

constexpr std::uint32_t kAdlerModulus = 65521;
// The most bytes whose sums cannot overflow 32 bits before they are reduced (zlib's NMAX).
constexpr std::size_t kAdlerRun = 5552;

constexpr std::int64_t kWindowSize = 32768;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kHashBits = 15;
// The search's effort: how many earlier places it tries, and the lengths that end it early or
// skip the look one byte ahead. The pictures are flat, so long matches come quickly.
constexpr int kMaxChain = 16;
constexpr int kNiceMatch = 128;
constexpr int kLazyBelow = 32;
// A three-byte match further back than this usually costs more bits than three literals.
constexpr std::int64_t kFarForShortMatch = 4096;
// Tokens per block: each block gets codes fitted to its own part of the data.
constexpr std::size_t kBlockTokens = std::size_t{1} << 15;
constexpr std::size_t kStoredMax = 65535;

constexpr int kEndOfBlock = 256;
constexpr int kLiteralCodes = 286;  // bytes, end of block, lengths
constexpr int kDistanceCodes = 30;
constexpr int kCodeLengthCodes = 19;
constexpr int kMaxCodeBits = 15;
constexpr int kMaxCodeLengthBits = 7;

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a block's header gives the lengths of the code-length code.
constexpr std::array<int, kCodeLengthCodes> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                11, 4,  12, 3, 13, 2, 14, 1, 15};

// Which length code each match length 0..258 has (below 3 unused).
constexpr std::array<std::uint8_t, kMaxMatch + 1> MakeLengthCodes() {
  std::array<std::uint8_t, kMaxMatch + 1> codes{};
  int code = 0;
  for (int length = kMinMatch; length <= kMaxMatch; ++length) {
    while (code + 1 < 29 && kLengthBase[static_cast<std::size_t>(code + 1)] <= length) ++code;
    codes[static_cast<std::size_t>(length)] = static_cast<std::uint8_t>(code);
  }
  return codes;
}
constexpr std::array<std::uint8_t, kMaxMatch + 1> kLengthCode = MakeLengthCodes();

int DistanceCode(int distance) {
  const auto* after = std::upper_bound(kDistanceBase.begin(), kDistanceBase.end(), distance);
  return static_cast<int>(after - kDistanceBase.begin()) - 1;
}

// A literal byte (Distance 0) or a copy of Length bytes from Distance bytes back.
struct LzToken {
  std::uint16_t Length;
  std::uint16_t Distance;
};

// Bits go out least significant first, as deflate packs them; Huffman codes are kept
// bit-reversed so that they come out most significant bit first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void Put(std::uint32_t bits, int count) {
    buffer_ |= std::uint64_t{bits} << filled_;
    filled_ += count;
    while (filled_ >= 8) {
      out_.push_back(static_cast<std::uint8_t>(buffer_));
      buffer_ >>= 8;
      filled_ -= 8;
    }
  }
  void AlignToByte() {
    if (filled_ > 0) Put(0, 8 - filled_);
  }
  // Bits waiting for their byte to fill: always fewer than 8.
  int Pending() const { return filled_; }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint64_t buffer_ = 0;
  int filled_ = 0;
};

// The canonical codes for `lengths` (RFC 1951, 3.2.2), each bit-reversed for the BitWriter.
std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
  std::array<int, kMaxCodeBits + 1> count{};
  for (std::uint8_t length : lengths) ++count[length];
  count[0] = 0;
  std::array<int, kMaxCodeBits + 1> next{};
  int code = 0;
  for (std::size_t bits = 1; bits <= kMaxCodeBits; ++bits) {
    code = (code + count[bits - 1]) << 1;
    next[bits] = code;
  }
  std::vector<std::uint16_t> codes(lengths.size(), 0);
  for (std::size_t s = 0; s < lengths.size(); ++s) {
    const int length = lengths[s];
    if (length == 0) continue;
    const int value = next[static_cast<std::size_t>(length)]++;
    int reversed = 0;
    for (int b = 0; b < length; ++b) reversed |= ((value >> b) & 1) << (length - 1 - b);
    codes[s] = static_cast<std::uint16_t>(reversed);
  }
  return codes;
}

struct HuffmanCode {
  std::vector<std::uint8_t> Lengths;
  std::vector<std::uint16_t> Codes;

  explicit HuffmanCode(std::vector<std::uint8_t> lengths)
      : Lengths(std::move(lengths)), Codes(CanonicalCodes(Lengths)) {}
  void Put(BitWriter& bits, int symbol) const {
    const auto s = static_cast<std::size_t>(symbol);
    bits.Put(Codes[s], Lengths[s]);
  }
  std::uint64_t Cost(const std::vector<std::uint32_t>& freqs) const {
    std::uint64_t total = 0;
    for (std::size_t s = 0; s < freqs.size(); ++s) total += std::uint64_t{freqs[s]} * Lengths[s];
    return total;
  }
};

HuffmanCode FixedLiteralCode() {
  std::vector<std::uint8_t> lengths(288, 8);
  std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
  std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
  return HuffmanCode(std::move(lengths));
}

// One symbol of the code-length alphabet with the value of its extra bits.
struct LengthRun {
  int Symbol;
  int Extra;
};
constexpr int RunExtraBits(int symbol) {
  return symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0;
}

// The lengths of both codes as a block's header sends them: runs of zeros and repeats of the
// length before shortened to the codes 16, 17 and 18.
std::vector<LengthRun> RunLengths(const std::vector<std::uint8_t>& lengths) {
  std::vector<LengthRun> runs;
  for (std::size_t i = 0; i < lengths.size();) {
    const int length = lengths[i];
    std::size_t run = 1;
    while (i + run < lengths.size() && lengths[i + run] == length) ++run;
    i += run;
    if (length == 0) {
      while (run >= 11) {
        const std::size_t n = std::min<std::size_t>(run, 138);
        runs.push_back({18, static_cast<int>(n - 11)});
        run -= n;
      }
      if (run >= 3) {
        runs.push_back({17, static_cast<int>(run - 3)});
        run = 0;
      }
    } else {
      runs.push_back({length, 0});
      --run;
      while (run >= 3) {
        const std::size_t n = std::min<std::size_t>(run, 6);
        runs.push_back({16, static_cast<int>(n - 3)});
        run -= n;
      }
    }
    for (; run > 0; --run) runs.push_back({length, 0});
  }
  return runs;
}

// A block's own codes and the header that describes them.
struct DynamicCodes {
  HuffmanCode Literals;
  HuffmanCode Distances;
  HuffmanCode LengthCode;
  std::vector<LengthRun> Runs;
  int LiteralCount;
  int DistanceCount;
  int LengthCodeCount;

  std::uint64_t HeaderBits() const {
    std::uint64_t total = 5 + 5 + 4 + 3 * static_cast<std::uint64_t>(LengthCodeCount);
    for (const LengthRun& r : Runs) {
      total += LengthCode.Lengths[static_cast<std::size_t>(r.Symbol)] + RunExtraBits(r.Symbol);
    }
    return total;
  }
  void PutHeader(BitWriter& bits) const {
    bits.Put(static_cast<std::uint32_t>(LiteralCount - 257), 5);
    bits.Put(static_cast<std::uint32_t>(DistanceCount - 1), 5);
    bits.Put(static_cast<std::uint32_t>(LengthCodeCount - 4), 4);
    for (int i = 0; i < LengthCodeCount; ++i) {
      const auto symbol = static_cast<std::size_t>(kCodeLengthOrder[static_cast<std::size_t>(i)]);
      bits.Put(LengthCode.Lengths[symbol], 3);
    }
    for (const LengthRun& r : Runs) {
      LengthCode.Put(bits, r.Symbol);
      bits.Put(static_cast<std::uint32_t>(r.Extra), RunExtraBits(r.Symbol));
    }
  }
};

DynamicCodes MakeDynamicCodes(const std::vector<std::uint32_t>& literalFreqs,
                              const std::vector<std::uint32_t>& distanceFreqs) {
  HuffmanCode literals(HuffmanCodeLengths(literalFreqs, kMaxCodeBits));
  HuffmanCode distances(HuffmanCodeLengths(distanceFreqs, kMaxCodeBits));
  int literalCount = kLiteralCodes;
  while (literalCount > 257 && literals.Lengths[static_cast<std::size_t>(literalCount - 1)] == 0) {
    --literalCount;
  }
  int distanceCount = kDistanceCodes;
  while (distanceCount > 1 && distances.Lengths[static_cast<std::size_t>(distanceCount - 1)] == 0) {
    --distanceCount;
  }
  std::vector<std::uint8_t> all(literals.Lengths.begin(), literals.Lengths.begin() + literalCount);
  all.insert(all.end(), distances.Lengths.begin(), distances.Lengths.begin() + distanceCount);
  std::vector<LengthRun> runs = RunLengths(all);
  std::vector<std::uint32_t> runFreqs(kCodeLengthCodes, 0);
  for (const LengthRun& r : runs) ++runFreqs[static_cast<std::size_t>(r.Symbol)];
  HuffmanCode lengthCode(HuffmanCodeLengths(runFreqs, kMaxCodeLengthBits));
  int lengthCodeCount = kCodeLengthCodes;
  while (lengthCodeCount > 4 &&
         lengthCode.Lengths[static_cast<std::size_t>(
             kCodeLengthOrder[static_cast<std::size_t>(lengthCodeCount - 1)])] == 0) {
    --lengthCodeCount;
  }
  return {std::move(literals), std::move(distances), std::move(lengthCode), std::move(runs),
          literalCount,        distanceCount,        lengthCodeCount};
}

void PutTokens(BitWriter& bits, const std::vector<LzToken>& tokens, const HuffmanCode& literals,
               const HuffmanCode& distances) {
  for (const LzToken& t : tokens) {
    if (t.Distance == 0) {
      literals.Put(bits, t.Length);
      continue;
    }
    const std::size_t l = kLengthCode[t.Length];
    literals.Put(bits, 257 + static_cast<int>(l));
    bits.Put(static_cast<std::uint32_t>(t.Length - kLengthBase[l]), kLengthExtra[l]);
    const auto d = static_cast<std::size_t>(DistanceCode(t.Distance));
    distances.Put(bits, static_cast<int>(d));
    bits.Put(static_cast<std::uint32_t>(t.Distance - kDistanceBase[d]), kDistanceExtra[d]);
  }
  literals.Put(bits, kEndOfBlock);
}

// Stored blocks hold at most 65535 bytes each; an empty run still takes one.
std::uint64_t StoredBits(std::size_t size, int pending) {
  std::uint64_t total = 0;
  do {
    const std::size_t n = std::min(size, kStoredMax);
    const int header = pending + 3;
    total += 3 + static_cast<std::uint64_t>((8 - header % 8) % 8) + 32 + 8 * std::uint64_t{n};
    size -= n;
    pending = 0;
  } while (size > 0);
  return total;
}

void PutStored(BitWriter& bits, std::span<const std::uint8_t> raw, bool last) {
  do {
    const std::size_t n = std::min(raw.size(), kStoredMax);
    bits.Put(last && n == raw.size() ? 1 : 0, 1);
    bits.Put(0, 2);
    bits.AlignToByte();
    bits.Put(static_cast<std::uint32_t>(n), 16);
    bits.Put(static_cast<std::uint32_t>(~n & 0xFFFF), 16);
    for (std::size_t i = 0; i < n; ++i) bits.Put(raw[i], 8);
    raw = raw.subspan(n);
  } while (!raw.empty());
}

// One block of `tokens`, which stand for the bytes `raw`, in whichever of the three forms is
// shortest (the first of them on a tie).
void PutBlock(BitWriter& bits, const std::vector<LzToken>& tokens,
              std::span<const std::uint8_t> raw, bool last) {
  std::vector<std::uint32_t> literalFreqs(kLiteralCodes, 0);
  std::vector<std::uint32_t> distanceFreqs(kDistanceCodes, 0);
  std::uint64_t extraBits = 0;
  for (const LzToken& t : tokens) {
    if (t.Distance == 0) {
      ++literalFreqs[t.Length];
      continue;
    }
    const std::size_t l = kLengthCode[t.Length];
    ++literalFreqs[257 + l];
    const auto d = static_cast<std::size_t>(DistanceCode(t.Distance));
    ++distanceFreqs[d];
    extraBits += static_cast<std::uint64_t>(kLengthExtra[l] + kDistanceExtra[d]);
  }
  literalFreqs[kEndOfBlock] = 1;

  static const HuffmanCode fixedLiterals = FixedLiteralCode();
  static const HuffmanCode fixedDistances(std::vector<std::uint8_t>(kDistanceCodes, 5));
  const DynamicCodes dynamic = MakeDynamicCodes(literalFreqs, distanceFreqs);
  const std::uint64_t dynamicBits = 3 + dynamic.HeaderBits() + dynamic.Literals.Cost(literalFreqs) +
                                    dynamic.Distances.Cost(distanceFreqs) + extraBits;
  std::vector<std::uint32_t> fixedFreqs = literalFreqs;
  fixedFreqs.resize(288, 0);
  const std::uint64_t fixedBits =
      3 + fixedLiterals.Cost(fixedFreqs) + fixedDistances.Cost(distanceFreqs) + extraBits;
  const std::uint64_t storedBits = StoredBits(raw.size(), bits.Pending());

  if (storedBits <= fixedBits && storedBits <= dynamicBits) {
    PutStored(bits, raw, last);
  } else if (fixedBits <= dynamicBits) {
    bits.Put(last ? 1 : 0, 1);
    bits.Put(1, 2);
    PutTokens(bits, tokens, fixedLiterals, fixedDistances);
  } else {
    bits.Put(last ? 1 : 0, 1);
    bits.Put(2, 2);
    dynamic.PutHeader(bits);
    PutTokens(bits, tokens, dynamic.Literals, dynamic.Distances);
  }
}

// The places seen so far, chained by the hash of the three bytes that start there.
class MatchFinder {
 public:
  explicit MatchFinder(std::span<const std::uint8_t> data)
      : data_(data), head_(std::size_t{1} << kHashBits, -1), prev_(kWindowSize, -1) {}

  // Whether a match may start at `pos`: it needs three bytes to hash.
  bool CanStart(std::int64_t pos) const {
    return pos + kMinMatch <= static_cast<std::int64_t>(data_.size());
  }
  void Insert(std::int64_t pos) {
    const std::size_t h = Hash(pos);
    prev_[static_cast<std::size_t>(pos & (kWindowSize - 1))] = head_[h];
    head_[h] = pos;
  }
  // The longest earlier match for the bytes at `pos` (which is not yet inserted), its distance
  // in `distance`; 0 when there is none worth sending.
  int Longest(std::int64_t pos, int& distance) const {
    if (!CanStart(pos)) return 0;
    const int most = static_cast<int>(std::min<std::int64_t>(kMaxMatch, std::ssize(data_) - pos));
    const std::uint8_t* here = data_.data() + pos;
    int best = kMinMatch - 1;
    std::int64_t candidate = head_[Hash(pos)];
    // A candidate is a place inserted before `pos`; its chain slot is not yet reused while it
    // lies within the window.
    for (int chain = kMaxChain; candidate >= 0 && chain > 0; --chain) {
      const std::int64_t back = pos - candidate;
      if (back > kWindowSize) break;
      const std::uint8_t* there = data_.data() + candidate;
      if (there[best] == here[best] && there[0] == here[0] && there[1] == here[1]) {
        int n = 0;
        while (n < most && there[n] == here[n]) ++n;
        if (n > best && (n > kMinMatch || back <= kFarForShortMatch)) {
          best = n;
          distance = static_cast<int>(back);
          if (n >= std::min(kNiceMatch, most)) break;
        }
      }
      candidate = prev_[static_cast<std::size_t>(candidate & (kWindowSize - 1))];
    }
    return best >= kMinMatch ? best : 0;
  }

 private:
  std::size_t Hash(std::int64_t pos) const {
    const std::uint8_t* p = data_.data() + pos;
    const std::uint32_t v =
        std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
  }

  std::span<const std::uint8_t> data_;
  std::vector<std::int64_t> head_;
  std::vector<std::int64_t> prev_;
};

}  // namespace

std::vector<std::uint8_t> HuffmanCodeLengths(std::vector<std::uint32_t> freqs, int limit) {
  std::vector<int> used;
  for (std::size_t s = 0; s < freqs.size(); ++s) {
    if (freqs[s] > 0) used.push_back(static_cast<int>(s));
  }
  for (std::size_t s = 0; used.size() < 2; ++s) {
    if (freqs[s] == 0) {
      freqs[s] = 1;
      used.push_back(static_cast<int>(s));
    }
  }
  std::sort(used.begin(), used.end(), [&](int a, int b) {
    const auto fa = freqs[static_cast<std::size_t>(a)];
    const auto fb = freqs[static_cast<std::size_t>(b)];
    return fa != fb ? fa < fb : a < b;
  });

  // Items are leaves (Right < 0, Left the symbol) or packages of two earlier items. Each pass
  // pairs the cheapest items of the row below into packages and merges them with the leaves;
  // after limit - 1 passes the cheapest 2n - 2 items of the row give every symbol its length:
  // the number of times its leaf occurs among them.
  struct Item {
    std::uint64_t Weight;
    int Left;
    int Right;
  };
  std::vector<Item> items;
  std::vector<int> leaves;
  for (int s : used) {
    leaves.push_back(static_cast<int>(items.size()));
    items.push_back({freqs[static_cast<std::size_t>(s)], s, -1});
  }
  auto lighter = [&](int a, int b) {
    return items[static_cast<std::size_t>(a)].Weight < items[static_cast<std::size_t>(b)].Weight;
  };
  std::vector<int> row = leaves;
  for (int level = 1; level < limit; ++level) {
    std::vector<int> packages;
    for (std::size_t i = 0; i + 1 < row.size(); i += 2) {
      const std::uint64_t weight = items[static_cast<std::size_t>(row[i])].Weight +
                                   items[static_cast<std::size_t>(row[i + 1])].Weight;
      packages.push_back(static_cast<int>(items.size()));
      items.push_back({weight, row[i], row[i + 1]});
    }
    std::vector<int> merged;
    merged.reserve(leaves.size() + packages.size());
    std::merge(leaves.begin(), leaves.end(), packages.begin(), packages.end(),
               std::back_inserter(merged), lighter);
    row = std::move(merged);
  }

  std::vector<std::uint8_t> lengths(freqs.size(), 0);
  std::vector<int> stack;
  for (std::size_t i = 0; i < 2 * used.size() - 2; ++i) {
    stack.push_back(row[i]);
    while (!stack.empty()) {
      const Item item = items[static_cast<std::size_t>(stack.back())];
      stack.pop_back();
      if (item.Right < 0) {
        ++lengths[static_cast<std::size_t>(item.Left)];
      } else {
        stack.push_back(item.Left);
        stack.push_back(item.Right);
      }
    }
  }
  return lengths;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  std::uint32_t c = ~crc;
  for (std::uint8_t b : bytes) c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
  return ~c;
}

std::uint32_t Adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler) {
  std::uint32_t a = adler & 0xFFFF;
  std::uint32_t b = adler >> 16;
  while (!bytes.empty()) {
    const std::size_t n = std::min(bytes.size(), kAdlerRun);
    for (std::size_t i = 0; i < n; ++i) {
      a += bytes[i];
      b += a;
    }
    a %= kAdlerModulus;
    b %= kAdlerModulus;
    bytes = bytes.subspan(n);
  }
  return b << 16 | a;
}

std::vector<std::uint8_t> ZlibCompress(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> out;
  out.reserve(bytes.size() / 8 + 64);
  // Deflate with a 32 KiB window, no preset dictionary, the check bits making the pair a
  // multiple of 31.
  out.push_back(0x78);
  out.push_back(0x9C);
  BitWriter bits(out);
  MatchFinder finder(bytes);
  std::vector<LzToken> tokens;
  tokens.reserve(kBlockTokens);
  const std::int64_t size = std::ssize(bytes);
  std::int64_t blockStart = 0;
  std::int64_t pos = 0;
  // The lazy look: a match at pos is sent only if the one at pos + 1 is no longer; otherwise
  // the byte at pos goes as a literal and the longer match is taken next.
  int length = 0;
  int distance = 0;
  bool found = false;  // length and distance already hold the match at pos
  while (pos < size) {
    if (tokens.size() >= kBlockTokens) {
      PutBlock(bits, tokens,
               bytes.subspan(static_cast<std::size_t>(blockStart),
                             static_cast<std::size_t>(pos - blockStart)),
               false);
      tokens.clear();
      blockStart = pos;
    }
    if (!found) {
      length = finder.Longest(pos, distance);
      if (finder.CanStart(pos)) finder.Insert(pos);
    }
    found = false;
    if (length > 0 && length < kLazyBelow) {
      int nextDistance = 0;
      const int next = finder.Longest(pos + 1, nextDistance);
      if (next > length) {
        tokens.push_back({bytes[static_cast<std::size_t>(pos)], 0});
        ++pos;
        finder.Insert(pos);
        length = next;
        distance = nextDistance;
        found = true;
        continue;
      }
    }
    if (length > 0) {
      tokens.push_back({static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(distance)});
      for (std::int64_t p = pos + 1; p < pos + length && finder.CanStart(p); ++p) finder.Insert(p);
      pos += length;
    } else {
      tokens.push_back({bytes[static_cast<std::size_t>(pos)], 0});
      ++pos;
    }
  }
  PutBlock(bits, tokens,
           bytes.subspan(static_cast<std::size_t>(blockStart),
                         static_cast<std::size_t>(size - blockStart)),
           true);
  bits.AlignToByte();
  const std::uint32_t adler = Adler32(bytes);
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(adler >> shift));
  return out;
}

}  // namespace enclova
