#include "platform/rtl/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <map>
#include <memory>
#include <utility>

#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace {

static_assert(std::endian::native == std::endian::little, "wide text is converted as UTF-16LE");

const char* const kWide = "UTF-16LE";

std::string CharsetName(int codePage) {
  if (codePage == 0) codePage = DefaultSystemCodePage;
  if (codePage == 65001) return "UTF-8";
  return "CP" + std::to_string(codePage);
}

// One open converter per direction and thread, kept for reuse.
class TConverters {
public:
  ~TConverters() {
    for (auto& [key, cd] : open_) iconv_close(cd);
  }
  iconv_t Get(const std::string& from, const std::string& to) {
    const auto key = std::make_pair(from, to);
    auto it = open_.find(key);
    if (it == open_.end()) {
      iconv_t cd = iconv_open(to.c_str(), from.c_str());
      if (cd == reinterpret_cast<iconv_t>(-1))
        throw EConvertError("No conversion from " + from + " to " + to);
      it = open_.emplace(key, cd).first;
    }
    iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return it->second;
  }

private:
  std::map<std::pair<std::string, std::string>, iconv_t> open_;
};

// Converts all of in. Where iconv meets an input sequence it cannot convert, the
// replacement is written and conversion restarts after the offending input unit
// (unitSize bytes; 2 units for a UTF-16 surrogate pair).
std::string Convert(const char* in, std::size_t inSize, const std::string& from, const std::string& to,
                    std::size_t unitSize, const std::string& replacement) {
  thread_local TConverters converters;
  iconv_t cd = converters.Get(from, to);
  std::string out;
  out.resize(inSize * 2 + 16);
  std::size_t outUsed = 0;
  char* src = const_cast<char*>(in);
  std::size_t srcLeft = inSize;
  while (true) {
    char* dst = out.data() + outUsed;
    std::size_t dstLeft = out.size() - outUsed;
    const std::size_t r = iconv(cd, srcLeft ? &src : nullptr, srcLeft ? &srcLeft : nullptr, &dst, &dstLeft);
    outUsed = out.size() - dstLeft;
    if (r != static_cast<std::size_t>(-1)) {
      if (srcLeft == 0) break;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ, or EINVAL for an incomplete sequence at the end.
    std::size_t skip = std::min(unitSize, srcLeft);
    if (unitSize == 2 && srcLeft >= 4) {
      const unsigned hi = static_cast<unsigned char>(src[0]) | static_cast<unsigned char>(src[1]) << 8;
      const unsigned lo = static_cast<unsigned char>(src[2]) | static_cast<unsigned char>(src[3]) << 8;
      if (hi >= 0xD800 && hi < 0xDC00 && lo >= 0xDC00 && lo < 0xE000) skip = 4;
    }
    if (skip == 0) break;
    out.resize(outUsed);
    out += replacement;
    outUsed = out.size();
    out.resize(outUsed + srcLeft * 2 + 16);
    src += skip;
    srcLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (srcLeft == 0) break;
  }
  out.resize(outUsed);
  return out;
}

std::u16string ToWide(const std::string& bytes) {
  std::u16string r(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < r.size(); ++i)
    r[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return r;
}

std::string FromWide(const std::u16string& s) {
  std::string r(s.size() * 2, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) {
    r[2 * i] = static_cast<char>(s[i] & 0xFF);
    r[2 * i + 1] = static_cast<char>(s[i] >> 8);
  }
  return r;
}

const std::string kReplacementWide("\xFD\xFF", 2);  // U+FFFD in UTF-16LE

// The code pages whose bytes 0..127 are ASCII: the system default, Thai, the Windows ones of
// Europe and the Middle East, UTF-8. Any other (an unknown one raises) goes through iconv.
bool AsciiCompatible(int CodePage) {
  return CodePage == 0 || CodePage == 874 || (CodePage >= 1250 && CodePage <= 1258) || CodePage == 65001;
}

}  // namespace

std::u16string CodePageToWide(const std::string& S, int CodePage) {
  if (S.empty()) return {};
  // Plain ASCII means the same in every code page the program's texts come in: it widens as
  // it stands (a reply's figures are converted many times a second).
  if (AsciiCompatible(CodePage) && std::all_of(S.begin(), S.end(), [](char c) { return (c & 0x80) == 0; }))
    return std::u16string(S.begin(), S.end());
  return ToWide(Convert(S.data(), S.size(), CharsetName(CodePage), kWide, 1, kReplacementWide));
}

std::string WideToCodePage(const std::u16string& S, int CodePage) {
  if (S.empty()) return {};
  const std::string bytes = FromWide(S);
  return Convert(bytes.data(), bytes.size(), kWide, CharsetName(CodePage), 2, "?");
}

std::u16string Utf8ToWide(const std::string& S) { return CodePageToWide(S, 65001); }

std::string WideToUtf8(const std::u16string& S) {
  if (S.empty()) return {};
  const std::string bytes = FromWide(S);
  return Convert(bytes.data(), bytes.size(), kWide, "UTF-8", 2, "\xEF\xBF\xBD");
}

}  // namespace rtl
