// The PRESCRIBE state: one ";"-terminated command per step.
#include <algorithm>
#include <cctype>

#include "uSPL.h"
#include "uSPLText.h"

namespace ostrovel {

namespace {

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return spltext::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool TSpl::PrescribeStep(int& next) {
  const int64_t start = stream_->Position();
  char buffer[256];
  const int64_t count = stream_->Read(buffer, sizeof buffer);
  if (count < 1) return false;

  const std::string_view read(buffer, static_cast<size_t>(count));
  const size_t semicolon = read.find(';');
  const int64_t i = semicolon == std::string_view::npos ? count : static_cast<int64_t>(semicolon);
  stream_->Seek(start + i + 1, TCustomMappedStream::soBeginning);
  uint8_t after = 0;
  const bool hasAfter = stream_->Peek(&after, 1) == 1;
  if (hasAfter && after == ' ') Skip(1);
  if (i == 0) return false;

  const std::string_view command = read.substr(0, static_cast<size_t>(i));
  switch (command.front()) {
    case '!':
      return command.starts_with("!R!");
    case 'E':
    case 'e':
      // "EXIT, E;" followed by a line feed: the line feed belongs to it.
      if (StartsNoCase(command, "EXIT") && (command.back() == 'E' || command.back() == 'e') &&
          hasAfter && after == '\n')
        Skip(1);
      return false;
    case 'S':
    case 's':
      if (StartsNoCase(command, "SEM") && command.back() == '6') next = stPcl;
      return true;
    default:
      return true;
  }
}

}  // namespace ostrovel
