// SPDX-License-Identifier: MIT
// SHA-256 and the fast picture hash.
#include "replay/digest.h"

#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace enclova::replay {

namespace {

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t Rotr(std::uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

void PortableBlock(std::uint32_t* state, const std::uint8_t* p) {
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
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
  for (int i = 0; i < 64; ++i) {
    const std::uint32_t t1 =
        h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
    const std::uint32_t t2 =
        (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state[0] += a, state[1] += b, state[2] += c, state[3] += d;
  state[4] += e, state[5] += f, state[6] += g, state[7] += h;
}

#if defined(__x86_64__)
// The SHA extensions: two rounds per instruction on the state held as ABEF and CDGH, the
// message schedule four words at a time.
__attribute__((target("sha,sse4.1,ssse3"))) void HardwareBlocks(std::uint32_t* state,
                                                                const std::uint8_t* data,
                                                                std::size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
  __m128i hgfe =
      _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, hgfe, 8);
  __m128i cdgh = _mm_blend_epi16(hgfe, cdab, 0xF0);
  for (; count > 0; --count, data += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i w[4];
    for (int g = 0; g < 16; ++g) {
      __m128i& words = w[g % 4];
      if (g < 4) {
        words = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)),
                                 byteSwap);
      } else {
        // W[t-16] + s0(W[t-15]), + W[t-7], then + s1(W[t-2]).
        words =
            _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(w[g % 4], w[(g + 1) % 4]),
                                               _mm_alignr_epi8(w[(g + 3) % 4], w[(g + 2) % 4], 4)),
                                 w[(g + 3) % 4]);
      }
      __m128i message =
          _mm_add_epi32(words, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRound + 4 * g)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      message = _mm_shuffle_epi32(message, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}
#endif

}  // namespace

bool Sha256::HardwareAvailable() {
#if defined(__x86_64__)
  static const bool available = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0) return false;
    const bool ssse3 = (c & (1u << 9)) != 0, sse41 = (c & (1u << 19)) != 0;
    if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) return false;
    return ssse3 && sse41 && (b & (1u << 29)) != 0;
  }();
  return available;
#else
  return false;
#endif
}

void Sha256::Blocks(const std::uint8_t* data, std::size_t count) {
#if defined(__x86_64__)
  if (hardware_) return HardwareBlocks(state_, data, count);
#endif
  for (; count > 0; --count, data += 64) PortableBlock(state_, data);
}

Sha256::Sha256(bool allowHardware)
    : hardware_(allowHardware && HardwareAvailable()),
      state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19},
      buffer_{} {}

void Sha256::Update(const void* data, std::size_t size) {
  if (size == 0) return;  // an empty vector's data() may be null
  const auto* p = static_cast<const std::uint8_t*>(data);
  length_ += size;
  if (buffered_ > 0) {
    const std::size_t take = std::min(size, 64 - buffered_);
    std::memcpy(buffer_ + buffered_, p, take);
    buffered_ += take, p += take, size -= take;
    if (buffered_ < 64) return;
    Blocks(buffer_, 1);
    buffered_ = 0;
  }
  Blocks(p, size / 64);
  p += size / 64 * 64;
  size %= 64;
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
    for (int b = 0; b < 4; ++b)
      out[static_cast<std::size_t>(4 * i + b)] =
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
  // Four lanes of two pixels a step through a multiply and a rotation, so the multiplies do
  // not wait on each other; every bit of every pixel moves the result, and the size is mixed
  // in so two shapes of the same pixels differ.
  constexpr std::uint64_t kMultiplier = 0xFF51AFD7ED558CCDull;
  std::uint64_t lane[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                           0x27D4EB2F165667C5ull};
  const auto& pixels = picture.Pixels();
  const std::size_t n = pixels.size();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    for (int k = 0; k < 4; ++k) {
      const std::uint64_t v = std::uint64_t{pixels[i + 2 * static_cast<std::size_t>(k)]} |
                              std::uint64_t{pixels[i + 2 * static_cast<std::size_t>(k) + 1]} << 32;
      const std::uint64_t h = (lane[k] ^ v) * kMultiplier;
      lane[k] = (h << 29) | (h >> 35);
    }
  }
  std::uint64_t h = (std::uint64_t(picture.Width()) << 32) | std::uint32_t(picture.Height());
  for (; i < n; ++i) h = ((h ^ pixels[i]) * kMultiplier) ^ (h >> 31);
  for (std::uint64_t l : lane) {
    h = (h ^ l) * kMultiplier;
    h ^= h >> 33;
  }
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  std::uint8_t bytes[8];
  for (int b = 0; b < 8; ++b) bytes[b] = static_cast<std::uint8_t>(h >> (56 - 8 * b));
  return Hex(bytes, 8);
}

}  // namespace enclova::replay
