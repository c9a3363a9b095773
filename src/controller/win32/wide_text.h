#pragma once
// Device paths travel as UTF-16 through Windows and as UTF-8 through the portable link.

#include <string>
#include <string_view>

namespace norvessa {

// Both throw std::bad_alloc when memory runs out; text that is not valid in its encoding is
// converted with replacement characters.
std::string Utf8FromWide(std::wstring_view wide);
std::wstring WideFromUtf8(std::string_view utf8);

}  // namespace norvessa
