// The texts the program shows, in the user's language. Each is written in
// English where it is used and looked up in the "dovanel" catalogue of the
// user's language; a language without a catalogue, and the C locale, keep
// the English text.
#pragma once

// The translation of `english`, or `english` itself. The text returned lives
// as long as the program.
const char* Translate(const char* english);

// The catalogue folder in use (LANG/LC_MESSAGES/dovanel.mo below it).
const char* CatalogueFolder();
