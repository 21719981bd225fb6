// The texts the program shows, in the user's language. Each is written in
// English where it is used and looked up in the "dovanel" catalogue of the
// user's language; a language without a catalogue, and the C locale, keep
// the English text.
#pragma once

// Takes the user's language for the program's texts (the rest of the locale
// is left as it is); called once, at the start.
void ChooseMessageLanguage();

// The translation of `english`, or `english` itself. The text returned lives
// as long as the program.
const char* Translate(const char* english);

// The catalogue folder in use (LANG/LC_MESSAGES/dovanel.mo below it).
const char* CatalogueFolder();
