// A message catalogue as msgfmt writes it (.mo): the originals and their
// translations, read whole. For systems whose C library has no gettext.
#pragma once

#include <map>
#include <string>

class TMoCatalogue {
 public:
  // Reads `path`; false (and an empty catalogue) when it cannot be read or is
  // no catalogue. Entries whose bytes run past the file's end are refused.
  bool Load(const std::string& path);
  // Loads from the bytes of a catalogue.
  bool Parse(const std::string& bytes);
  // The translation of `original`, or null. Stays valid while the catalogue lives.
  const char* Find(const char* original) const;
  std::size_t Size() const { return texts_.size(); }

 private:
  std::map<std::string, std::string> texts_;
};
