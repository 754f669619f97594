#pragma once

#include <string>

// The names the system analysis gives a language identifier: the primary
// language (low 10 bits) in upper case and the variant (the bits above).

// The upper-case name of a primary language; empty when it is not listed.
std::string LanguageName(unsigned nPrimary);

// The text of a variant of a primary language. A language listed without
// variants gives its name for every variant; a variant that is not listed
// gives an empty text, and so does an unlisted language.
std::string LanguageVariantName(unsigned nPrimary, unsigned nVariant);
