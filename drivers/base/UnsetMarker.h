// A text option that was never given holds this one-character text (the NUL
// character), which differs from the empty text.
#pragma once

#include <string>

inline const std::string& UnsetMarker() {
  static const std::string marker(1, '\0');
  return marker;
}
inline bool IsUnset(const std::string& text) { return text == UnsetMarker(); }
// Neither given nor empty: the value is worth writing.
inline bool IsGivenAndNotEmpty(const std::string& text) { return !text.empty() && !IsUnset(text); }
