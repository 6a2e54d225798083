// SPDX-License-Identifier: MIT
// The world ranking's settings and the checks a client makes before it sends anything.
#include "frontend/world.h"

#include <cstdint>
#include <random>

#include "base/file_io.h"
#include "frontend/data_directory.h"

namespace enclova {

namespace {

// Decodes one UTF-8 sequence at `i`, refusing overlong forms, surrogates and values past
// U+10FFFF; advances `i`.
std::optional<std::uint32_t> NextCodePoint(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int length = 0;
  std::uint32_t cp = 0;
  if (b0 < 0x80) {
    ++i;
    return b0;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    cp = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    cp = b0 & 0x0Fu;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    cp = b0 & 0x07u;
  } else {
    return std::nullopt;
  }
  if (i + length > s.size()) return std::nullopt;
  for (int k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return std::nullopt;
  }
  i += length;
  return cp;
}

}  // namespace

WorldSettings LoadWorldSettings(FileSystem& files, const std::string& path) {
  WorldSettings settings;
  for (const std::string& line : LinesOfTextFile(files, path)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "server") settings.Server = value;
    if (key == "name") settings.Name = value;
    if (key == "token") settings.Token = value;
  }
  return settings;
}

bool SaveWorldSettings(FileSystem& files, const std::string& path, const WorldSettings& settings) {
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 &&
      MakeDirectories(files, path.substr(0, slash)) < 0) {
    return false;
  }
  std::string text;
  if (!settings.Server.empty()) text += "server=" + settings.Server + "\n";
  if (!settings.Name.empty()) text += "name=" + settings.Name + "\n";
  if (!settings.Token.empty()) text += "token=" + settings.Token + "\n";
  return ReplaceWholeFileThroughLinks(files, path, text.data(), text.size()) == 0;
}

std::optional<std::string> ServerFault(std::string_view server) {
  std::string_view rest = server;
  if (rest.starts_with("http://")) {
    rest.remove_prefix(7);
  } else if (rest.starts_with("https://")) {
    rest.remove_prefix(8);
  } else {
    return "not an http:// or https:// address";
  }
  if (rest.ends_with('/')) rest.remove_suffix(1);
  const std::size_t colon = rest.rfind(':');
  const std::string_view host = rest.substr(0, colon);
  if (host.empty()) return "no host";
  for (const char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == '[' || c == ']' || c == ':';
    if (!ok) return "not a host name: " + std::string(host);
  }
  if (colon != std::string_view::npos) {
    const std::string_view port = rest.substr(colon + 1);
    int value = 0;
    for (const char c : port) {
      if (c < '0' || c > '9' || (value = value * 10 + (c - '0')) > 65535) {
        return "not a port: " + std::string(port);
      }
    }
    if (port.empty() || value == 0) return "not a port: " + std::string(port);
  }
  return std::nullopt;
}

std::optional<std::string> PlayerNameFault(std::string_view name) {
  if (name.empty()) return "an empty name";
  if (name.size() > 4 * kMaxPlayerNameCharacters) return "a name longer than 24 characters";
  int characters = 0;
  for (std::size_t i = 0; i < name.size();) {
    const std::optional<std::uint32_t> cp = NextCodePoint(name, i);
    if (!cp) return "a name that is not UTF-8";
    if (*cp < 0x20 || (*cp >= 0x7F && *cp <= 0x9F) || *cp == 0x2028 || *cp == 0x2029) {
      return "a control character in the name";
    }
    if (++characters > kMaxPlayerNameCharacters) return "a name longer than 24 characters";
  }
  if (name.front() == ' ' || name.back() == ' ') return "a space at an end of the name";
  return std::nullopt;
}

std::string MakeToken() {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::random_device source;
  std::string token;
  std::uint32_t bits = 0;
  int held = 0;
  for (int byte = 0; byte < 32; ++byte) {
    bits = bits << 8 | (source() & 0xFF);
    held += 8;
    while (held >= 6) {
      held -= 6;
      token += kDigits[(bits >> held) & 63];
    }
  }
  if (held > 0) token += kDigits[(bits << (6 - held)) & 63];
  return token;
}

}  // namespace enclova
