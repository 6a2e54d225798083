// SHA-256 and the fast picture hash.
#include "replay/digest.h"

#include <cstring>

namespace enclova::replay {

namespace {

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
    0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
    0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
    0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
    0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
    0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
    0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
    0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
    0xc67178f2};

constexpr std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

}  // namespace

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab,
             0x5be0cd19},
      buffer_{} {}

void Sha256::Block(const std::uint8_t* p) {
  std::uint32_t w[64];
  for (int i = 0; i < 16; ++i) {
    w[i] = std::uint32_t{p[4 * i]} << 24 | std::uint32_t{p[4 * i + 1]} << 16 |
           std::uint32_t{p[4 * i + 2]} << 8 | std::uint32_t{p[4 * i + 3]};
  }
  for (int i = 16; i < 64; ++i) {
    const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
  for (int i = 0; i < 64; ++i) {
    const std::uint32_t t1 =
        h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
    const std::uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state_[0] += a, state_[1] += b, state_[2] += c, state_[3] += d;
  state_[4] += e, state_[5] += f, state_[6] += g, state_[7] += h;
}

void Sha256::Update(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  length_ += size;
  if (buffered_ > 0) {
    const std::size_t take = std::min(size, 64 - buffered_);
    std::memcpy(buffer_ + buffered_, p, take);
    buffered_ += take, p += take, size -= take;
    if (buffered_ < 64) return;
    Block(buffer_);
    buffered_ = 0;
  }
  for (; size >= 64; p += 64, size -= 64) Block(p);
  std::memcpy(buffer_, p, size);
  buffered_ = size;
}

std::array<std::uint8_t, 32> Sha256::Final() {
  const std::uint64_t bits = length_ * 8;
  const std::uint8_t one = 0x80;
  Update(&one, 1);
  const std::uint8_t zero = 0;
  while (buffered_ != 56) Update(&zero, 1);
  std::uint8_t tail[8];
  for (int i = 0; i < 8; ++i) tail[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  Update(tail, 8);
  std::array<std::uint8_t, 32> out{};
  for (int i = 0; i < 8; ++i) {
    for (int b = 0; b < 4; ++b) out[static_cast<std::size_t>(4 * i + b)] =
        static_cast<std::uint8_t>(state_[i] >> (24 - 8 * b));
  }
  return out;
}

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 15]);
  }
  return text;
}

std::string Sha256Hex(const void* data, std::size_t size) {
  Sha256 sha;
  sha.Update(data, size);
  const auto digest = sha.Final();
  return Hex(digest.data(), digest.size());
}

std::string PictureSha256(const Surface& picture) {
  Sha256 sha;
  std::uint8_t row[3 * 1024];
  const auto& pixels = picture.Pixels();
  const std::size_t width = static_cast<std::size_t>(picture.Width());
  for (std::size_t start = 0; start < pixels.size(); start += width) {
    std::size_t n = 0;
    for (std::size_t x = 0; x < width; ++x) {
      const TColor c = pixels[start + x];
      if (n == sizeof row) sha.Update(row, n), n = 0;
      row[n++] = static_cast<std::uint8_t>(c);
      row[n++] = static_cast<std::uint8_t>(c >> 8);
      row[n++] = static_cast<std::uint8_t>(c >> 16);
    }
    sha.Update(row, n);
  }
  const auto digest = sha.Final();
  return Hex(digest.data(), digest.size());
}

std::string PictureHash64(const Surface& picture) {
  // Two pixels a step through a multiply and a rotation: every bit of every pixel moves the
  // result, and the size is mixed in so two shapes of the same pixels differ.
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ (std::uint64_t(picture.Width()) << 32 |
                                             std::uint32_t(picture.Height()));
  const auto& pixels = picture.Pixels();
  std::size_t i = 0;
  for (; i + 1 < pixels.size(); i += 2) {
    const std::uint64_t v = std::uint64_t{pixels[i]} | std::uint64_t{pixels[i + 1]} << 32;
    h = (h ^ v) * 0xFF51AFD7ED558CCDull;
    h = (h << 29) | (h >> 35);
  }
  if (i < pixels.size()) h = ((h ^ pixels[i]) * 0xFF51AFD7ED558CCDull);
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  std::uint8_t bytes[8];
  for (int b = 0; b < 8; ++b) bytes[b] = static_cast<std::uint8_t>(h >> (56 - 8 * b));
  return Hex(bytes, 8);
}

}  // namespace enclova::replay
