#include "driver/identity.h"

#include <string_view>

namespace {

// " YYMMDD" from the compiler's __DATE__ ("Mmm dd yyyy"), which GCC takes
// from SOURCE_DATE_EPOCH when that is set, for reproducible builds.
constexpr FixedText<10> buildDateFrom(std::string_view date) {
  constexpr std::string_view months = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const std::size_t month = months.find(date.substr(0, 3)) / 3 + 1;
  FixedText<10> text = " ";
  text.append(date.substr(9, 2));
  text.append(static_cast<char>('0' + month / 10));
  text.append(static_cast<char>('0' + month % 10));
  text.append(date[4] == ' ' ? '0' : date[4]);
  text.append(date[5]);
  return text;
}

#if defined(__clang__)
constexpr std::string_view toolchainName = "Clang";
constexpr int toolchainVersion = __clang_major__;
#elif defined(__GNUC__)
constexpr std::string_view toolchainName = "GNU";
constexpr int toolchainVersion = __GNUC__;
#elif defined(_MSC_VER)
constexpr std::string_view toolchainName = "MS";
constexpr int toolchainVersion = _MSC_VER / 100;
#else
constexpr std::string_view toolchainName = "Other";
constexpr int toolchainVersion = 0;
#endif

}  // namespace

const FixedText<10> BuildDate = buildDateFrom(__DATE__);
FixedText<48> IdentityText;
FixedText<10> ModuleName;
FixedText<48> VersionText;

void buildIdentityText() {
  IdentityText = FixedText<48>();
  IdentityText.append(" ");
  IdentityText.append(toolchainName);
  IdentityText.append("CC");
  IdentityText.append(static_cast<char>('0' + toolchainVersion / 10 % 10));
  IdentityText.append(static_cast<char>('0' + toolchainVersion % 10));
  IdentityText.append(" X86");
  IdentityText.append("FPU");
  IdentityText.append("midi");
  IdentityText.append("W32");
}
