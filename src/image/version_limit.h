#pragma once
// The version restriction: compares the expected firmware version with a
// device's stored version text, an upper-case X in the expected text standing
// for any one character.

#include <string>

namespace tamsel {

inline constexpr int kVersionMatch = 0;
inline constexpr int kVersionRefused = -1;  // a text of 16 characters or more, or an error
inline constexpr int kVersionDifferent = -2;

// 0 when limit (with its X wildcards filled from device) equals device without
// regard to letter case, -2 when they differ, -1 when either text has 16 or more
// characters. An X just past the device text's end cuts the limit there; an X
// further on has no counterpart and makes the texts differ.
int iChangeVersionXtoValid(const std::string& limit, const std::string& device);

}  // namespace tamsel
