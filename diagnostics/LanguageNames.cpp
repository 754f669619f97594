#include "diagnostics/LanguageNames.h"

namespace {

struct LanguageEntry {
  unsigned nPrimary;
  const char* name;
};

struct VariantEntry {
  unsigned nPrimary;
  unsigned nVariant;
  const char* text;
};

const LanguageEntry kLanguages[] = {
    {0, "NEUTRAL"},
    {1, "ARABIC"},
    {2, "BULGARIAN"},
    {3, "CATALAN"},
    {4, "CHINESE"},
    {5, "CZECH"},
    {6, "DANISH"},
    {7, "GERMAN"},
    {8, "GREEK"},
    {9, "ENGLISH"},
    {10, "SPANISH"},
    {11, "FINNISH"},
    {12, "FRENCH"},
    {13, "HEBREW"},
    {14, "HUNGARIAN"},
    {15, "ICELANDIC"},
    {16, "ITALIAN"},
    {17, "JAPANESE"},
    {18, "KOREAN"},
    {19, "DUTCH"},
    {20, "NORWEGIAN"},
    {21, "POLISH"},
    {22, "PORTUGUESE"},
    {24, "ROMANIAN"},
    {25, "RUSSIAN"},
    {26, "SERBIAN"},
    {27, "SLOVAK"},
    {28, "ALBANIAN"},
    {29, "SWEDISH"},
    {30, "THAI"},
    {31, "TURKISH"},
    {32, "URDU"},
    {33, "INDONESIAN"},
    {34, "UKRAINIAN"},
    {35, "BELARUSIAN"},
    {36, "SLOVENIAN"},
    {37, "ESTONIAN"},
    {38, "LATVIAN"},
    {39, "LITHUANIAN"},
    {41, "FARSI"},
    {42, "VIETNAMESE"},
    {43, "ARMENIAN"},
    {44, "AZERI"},
    {45, "BASQUE"},
    {47, "MACEDONIAN"},
    {54, "AFRIKAANS"},
    {55, "GEORGIAN"},
    {56, "FAEROESE"},
    {57, "HINDI"},
    {62, "MALAY"},
    {63, "KAZAK"},
    {64, "KYRGYZ"},
    {65, "SWAHILI"},
    {67, "UZBEK"},
    {68, "TATAR"},
    {69, "BENGALI"},
    {70, "PUNJABI"},
    {71, "GUJARATI"},
    {72, "ORIYA"},
    {73, "TAMIL"},
    {74, "TELUGU"},
    {75, "KANNADA"},
    {76, "MALAYALAM"},
    {77, "ASSAMESE"},
    {78, "MARATHI"},
    {79, "SANSKRIT"},
    {80, "MONGOLIAN"},
    {86, "GALICIAN"},
    {87, "KONKANI"},
    {88, "MANIPURI"},
    {89, "SINDHI"},
    {90, "SYRIAC"},
    {96, "KASHMIRI"},
    {97, "NEPALI"},
    {101, "DIVEHI"},
    {127, "INVARIANT"},
};

// Languages without a line here have no variants of their own. Spanish 18
// and Norwegian 2 carry the names Windows gives those variants.
const VariantEntry kVariants[] = {
    {0, 0, "NEUTRAL"},
    {0, 1, "User Default"},
    {0, 2, "System Default"},
    {1, 1, "Arabic (Saudi Arabia)"},
    {1, 2, "Arabic (Iraq)"},
    {1, 3, "Arabic (Egypt)"},
    {1, 4, "Arabic (Libya)"},
    {1, 5, "Arabic (Algeria)"},
    {1, 6, "Arabic (Morocco)"},
    {1, 7, "Arabic (Tunisia)"},
    {1, 8, "Arabic (Oman)"},
    {1, 9, "Arabic (Yemen)"},
    {1, 10, "Arabic (Syria)"},
    {1, 11, "Arabic (Jordan)"},
    {1, 12, "Arabic (Lebanon)"},
    {1, 13, "Arabic (Kuwait)"},
    {1, 14, "Arabic (U.A.E)"},
    {1, 15, "Arabic (Bahrain)"},
    {1, 16, "Arabic (Qatar)"},
    {4, 1, "Chinese (Taiwan)"},
    {4, 2, "Chinese (PR China)"},
    {4, 3, "Chinese (Hong Kong S.A.R., P.R.C.)"},
    {4, 4, "Chinese (Singapore)"},
    {4, 5, "Chinese (Macau S.A.R.)"},
    {7, 1, "German"},
    {7, 2, "German (Swiss)"},
    {7, 3, "German (Austrian)"},
    {7, 4, "German (Luxembourg)"},
    {7, 5, "German (Liechtenstein)"},
    {9, 1, "English (USA)"},
    {9, 2, "English (UK)"},
    {9, 3, "English (Australian)"},
    {9, 4, "English (Canadian)"},
    {9, 5, "English (New Zealand)"},
    {9, 6, "English (Irish)"},
    {9, 7, "English (South Africa)"},
    {9, 8, "English (Jamaica)"},
    {9, 9, "English (Caribbean)"},
    {9, 10, "English (Belize)"},
    {9, 11, "English (Trinidad)"},
    {9, 12, "English (Zimbabwe)"},
    {9, 13, "English (Philippines)"},
    {10, 1, "Spanish (Castilian)"},
    {10, 2, "Spanish (Mexican)"},
    {10, 3, "Spanish (Spain)"},
    {10, 4, "Spanish (Guatemala)"},
    {10, 5, "Spanish (Costa Rica)"},
    {10, 6, "Spanish (Panama)"},
    {10, 7, "Spanish (Dominican Republic)"},
    {10, 8, "Spanish (Venezuela)"},
    {10, 9, "Spanish (Colombia)"},
    {10, 10, "Spanish (Peru)"},
    {10, 11, "Spanish (Argentina)"},
    {10, 12, "Spanish (Ecuador)"},
    {10, 13, "Spanish (Chile)"},
    {10, 14, "Spanish (Uruguay)"},
    {10, 15, "Spanish (Paraguay)"},
    {10, 16, "Spanish (Bolivia)"},
    {10, 17, "Spanish (El Salvador)"},
    {10, 18, "Spanish (Honduras)"},
    {10, 19, "Spanish (Nicaragua)"},
    {10, 20, "Spanish (Puerto Rico)"},
    {12, 1, "French"},
    {12, 2, "French (Belgian)"},
    {12, 3, "French (Canadian)"},
    {12, 4, "French (Swiss)"},
    {12, 5, "French (Luxembourg)"},
    {12, 6, "French (Monaco)"},
    {16, 1, "Italian"},
    {16, 2, "Italian (Swiss)"},
    {18, 1, "Korean (Extended Wansung)"},
    {19, 1, "Dutch"},
    {19, 2, "Dutch (Belgian)"},
    {20, 1, "Norwegian (Bokmal)"},
    {20, 2, "Norwegian (Nynorsk)"},
    {22, 1, "Portuguese (Brazilian)"},
    {22, 2, "Portuguese"},
    {26, 2, "Serbian (Latin)"},
    {26, 3, "Serbian (Cyrillic)"},
    {29, 1, "Swedish"},
    {29, 2, "Swedish (Finland)"},
    {32, 1, "Urdu (Pakistan)"},
    {32, 2, "Urdu (India)"},
    {39, 1, "Lithuanian"},
    {44, 1, "Azeri (Latin)"},
    {44, 2, "Azeri (Cyrillic)"},
    {62, 1, "Malay (Malaysia)"},
    {62, 2, "Malay (Brunei Darussalam)"},
    {67, 1, "Uzbek (Latin)"},
    {67, 2, "Uzbek (Cyrillic)"},
    {97, 2, "Nepali (India)"},
};

const LanguageEntry* FindLanguage(unsigned nPrimary) {
  for (const LanguageEntry& language : kLanguages) {
    if (language.nPrimary == nPrimary) return &language;
  }
  return nullptr;
}

}  // namespace

std::string LanguageName(unsigned nPrimary) {
  const LanguageEntry* language = FindLanguage(nPrimary);
  return language ? language->name : std::string();
}

std::string LanguageVariantName(unsigned nPrimary, unsigned nVariant) {
  const LanguageEntry* language = FindLanguage(nPrimary);
  if (language == nullptr) return {};
  bool bHasVariants = false;
  for (const VariantEntry& variant : kVariants) {
    if (variant.nPrimary != nPrimary) continue;
    bHasVariants = true;
    if (variant.nVariant == nVariant) return variant.text;
  }
  return bHasVariants ? std::string() : std::string(language->name);
}
