// SPDX-License-Identifier: MIT
// Compression of our own for the PNG files: zlib streams of deflate blocks, and the checksums.
//
// Every function here is a pure function of its input, in integer arithmetic alone: the same
// bytes come out on every platform and with every compiler, so a picture's file can be
// compared byte for byte wherever it was written.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace enclova {

// CRC-32 with the polynomial of PNG, zlib and gzip (reflected 0xEDB88320), continuing from
// `crc`: Crc32(b, Crc32(a)) is the CRC of a followed by b. Start from 0.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

// Adler-32 as zlib streams end with it, continuing from `adler` like Crc32. Start from 1.
std::uint32_t Adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler = 1);

// `bytes` as a zlib stream (RFC 1950) of deflate blocks (RFC 1951): LZ77 matches found through
// hash chains, each block stored, or coded with the fixed codes or with codes of its own,
// whichever takes fewest bits. Incompressible noise comes out five bytes longer for every
// 32 KiB or so, and six for the stream.
std::vector<std::uint8_t> ZlibCompress(std::span<const std::uint8_t> bytes);

// Lengths of an optimal prefix code for symbols seen `freqs[s]` times, none longer than `limit`
// bits (package-merge). At least two symbols get a code, a second one added when fewer occur,
// so that the code is complete, as inflaters require of every code but a lone one. Needs at
// least two symbols and at most 2^limit.
std::vector<std::uint8_t> HuffmanCodeLengths(std::vector<std::uint32_t> freqs, int limit);

}  // namespace enclova
