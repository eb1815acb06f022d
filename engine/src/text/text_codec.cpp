#include "text/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "text/utf.h"

namespace ledgerfen::text {
namespace {

// Where the run of bytes 01-7F starting at `i` ends; eight bytes at a time
// while the whole word lies in the run.
size_t asciiRunEnd(format::Bytes b, size_t i) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  for (; i + 8 <= b.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, b.data() + i, sizeof w);
    // A byte of 80 or more shows its high bit; the lowest zero byte borrows
    // and shows one in `w - kOnes`.
    if (((w | (w - kOnes)) & kHighs) != 0) break;
  }
  while (i < b.size() && b[i] != 0 && b[i] < 0x80) ++i;
  return i;
}

}  // namespace

void decodeUcs2Text(format::Bytes b, std::string& out) {
  out.reserve(out.size() + b.size());
  Utf16ToUtf8 sink(out);
  if (b.size() > 2 && b[0] == 0xFF && b[1] == 0xFE) {
    bool compressed = true;
    size_t i = 2;
    while (i < b.size()) {
      if (b[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        // Most compressed text is a run of ASCII characters: copy it whole.
        size_t end = asciiRunEnd(b, i);
        if (end > i) {
          sink.pushAscii(reinterpret_cast<const char*>(b.data() + i), end - i);
          i = end;
        } else {
          sink.push(b[i++]);
        }
      } else if (i + 1 < b.size()) {
        sink.push(uint16_t(b[i] | (b[i + 1] << 8)));
        i += 2;
      } else {
        break;  // a lone trailing byte carries no character
      }
    }
    return;
  }
  for (size_t i = 0; i + 1 < b.size();) {
    // Runs of ASCII characters are gathered and copied at once.
    char ascii[256];
    size_t n = 0;
    while (n < sizeof ascii && i + 1 < b.size() && b[i] < 0x80 && b[i + 1] == 0) {
      ascii[n++] = char(b[i]);
      i += 2;
    }
    if (n > 0) {
      sink.pushAscii(ascii, n);
    } else {
      sink.push(uint16_t(b[i] | (b[i + 1] << 8)));
      i += 2;
    }
  }
}

std::vector<uint8_t> encodeUcs2Text(std::string_view text, bool compress) {
  // Plain ASCII, the common case, needs no conversion; compressed, it takes
  // one byte per character.
  if (std::all_of(text.begin(), text.end(), [](char c) { return c > 0 && c < 0x7F; })) {
    std::vector<uint8_t> out;
    if (compress && text.size() > 1) {
      out = {0xFF, 0xFE};
      out.insert(out.end(), text.begin(), text.end());
    } else {
      out.reserve(2 * text.size());
      for (char c : text) out.insert(out.end(), {uint8_t(c), uint8_t(0)});
    }
    return out;
  }
  std::u16string units = utf8ToUtf16(text);
  std::vector<uint8_t> plain;
  plain.reserve(2 * units.size());
  for (char16_t u : units) {
    plain.push_back(uint8_t(u));
    plain.push_back(uint8_t(u >> 8));
  }
  const bool startsWithMarker = !units.empty() && units[0] == 0xFEFF;
  if (!compress && !startsWithMarker) return plain;

  // A zero byte switches modes, so a two-byte character whose low byte is
  // zero (U+0100, U+4E00, ...) cannot be written compressed.
  std::vector<uint8_t> packed = {0xFF, 0xFE};
  bool oneByte = true;
  for (char16_t u : units) {
    bool fits = u >= 0x01 && u <= 0xFF;
    if (!fits && (u & 0xFF) == 0) return plain;
    if (fits != oneByte) {
      packed.push_back(0);
      oneByte = fits;
    }
    packed.push_back(uint8_t(u));
    if (!oneByte) packed.push_back(uint8_t(u >> 8));
  }
  return packed.size() < plain.size() || startsWithMarker ? packed : plain;
}

namespace {

const char* kReplacement = "\xEF\xBF\xBD";

struct IconvHandle {
  iconv_t handle;
  explicit IconvHandle(uint16_t codePage) : handle(iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str())) {}
  ~IconvHandle() {
    if (ok()) iconv_close(handle);
  }
  bool ok() const { return handle != iconv_t(-1); }
};

// Converts `in` into `out` with iconv; a sequence iconv cannot convert becomes
// U+FFFD and conversion goes on after its first byte.
void convert(iconv_t cd, format::Bytes in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = reinterpret_cast<char*>(const_cast<uint8_t*>(in.data()));
  size_t srcLeft = in.size();
  char buffer[1024];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, size_t(dst - buffer));
    if (rc == size_t(-1) && errno != E2BIG) {
      out += kReplacement;
      ++src;
      --srcLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
}

}  // namespace

Result<std::shared_ptr<const CodePage>> CodePage::load(uint16_t number) {
  static std::mutex mutex;
  static std::map<uint16_t, std::shared_ptr<const CodePage>> loaded;
  std::lock_guard lock(mutex);
  if (auto it = loaded.find(number); it != loaded.end()) return it->second;

  IconvHandle cd(number);
  if (!cd.ok()) {
    return Error(ErrorKind::Unsupported, "the text code page " + std::to_string(number) + " is not available");
  }
  auto page = std::shared_ptr<CodePage>(new CodePage());
  page->number_ = number;
  for (int b = 0; b < 256; ++b) {
    uint8_t byte = uint8_t(b);
    char* src = reinterpret_cast<char*>(&byte);
    size_t srcLeft = 1;
    char buffer[8];
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd.handle, nullptr, nullptr, nullptr, nullptr);
    size_t rc = iconv(cd.handle, &src, &srcLeft, &dst, &dstLeft);
    if (rc == size_t(-1) && errno == EINVAL) page->singleByte_ = false;  // a lead byte
    page->table_[b] = rc == size_t(-1) ? kReplacement : std::string(buffer, size_t(dst - buffer));
  }
  loaded[number] = page;
  return std::shared_ptr<const CodePage>(page);
}

Result<std::vector<uint8_t>> CodePage::encode(std::string_view text) const {
  iconv_t cd = iconv_open(("CP" + std::to_string(number_)).c_str(), "UTF-8");
  if (cd == iconv_t(-1))
    return Error(ErrorKind::Unsupported, "the text code page " + std::to_string(number_) + " is not available");
  std::vector<uint8_t> out;
  char* src = const_cast<char*>(text.data());
  size_t srcLeft = text.size();
  char buffer[1024];
  Status status = okStatus();
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.insert(out.end(), buffer, dst);
    if (rc == size_t(-1) && errno != E2BIG) {
      status = Error(ErrorKind::Constraint,
                     "the text holds a character that code page " + std::to_string(number_) + " cannot store");
      break;
    }
  }
  iconv_close(cd);
  if (!status) return status.error();
  return out;
}

void CodePage::decode(format::Bytes bytes, std::string& out) const {
  if (singleByte_) {
    for (uint8_t b : bytes) {
      if (b < 0x80 && table_[b].size() == 1) {
        out.push_back(char(b));
      } else {
        out += table_[b];
      }
    }
    return;
  }
  IconvHandle cd(number_);
  if (cd.ok()) convert(cd.handle, bytes, out);
}

}  // namespace ledgerfen::text
