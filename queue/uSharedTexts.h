// Words the lists paint over and over, read from the language file once per
// language change instead of at every paint: the job and printer status
// names, the print-quality names, Yes and No.
//
// Threads: loaded on the main thread; any thread may take a snapshot, which
// stays valid and unchanged while it is held.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "uIniFile.h"

namespace ostrovel {

// One cached word: where the language file keeps it and its English text.
struct TTextKey {
  uint32_t Bit;  // the status bit it names; 0 for words without one
  const char* Section;
  const char* Key;
  const char16_t* Default;
};

// Job status names in the order they are joined into a status text.
extern const std::array<TTextKey, 15> kJobStatusKeys;
// Printer status names in the order they are joined; the last is Offline.
extern const std::array<TTextKey, 25> kPrinterStatusKeys;

struct TSharedTexts {
  std::array<std::u16string, 15> JobStatus;
  std::array<std::u16string, 25> PrinterStatus;
  std::u16string Opening;          // "Global" strOpening
  std::u16string ConnectionError;  // "Global" strConnectionError
  std::u16string High, Medium, Low, Draft;
  std::u16string Yes, No;
};

// The current words; BuiltinSharedTexts() until a language is loaded.
std::shared_ptr<const TSharedTexts> SharedTexts();
std::shared_ptr<const TSharedTexts> BuiltinSharedTexts();

// Re-reads Yes, No and the quality names (also a language preview does this).
void LoadSharedWords(const TIniFile& language);
// Re-reads the job and printer status names, Opening and Connection error.
void LoadStatusNames(const TIniFile& language);

}  // namespace ostrovel
