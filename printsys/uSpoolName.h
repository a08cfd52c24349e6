// Taking apart the names the spooler is opened with, and the spooler's way
// of comparing them. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrovel {

// "p" → printer p; "\\srv\p" → p on srv; "\\srv" → the server srv; "" → the
// local server; a trailing ",Job 12" makes it the job 12 of that printer.
struct TSpoolName {
  std::u16string Server;   // without backslashes; empty for the local one
  std::u16string Printer;  // without the server part; empty for a server
  uint32_t JobId = 0;
  bool IsJob = false;
  bool IsServer() const { return Printer.empty(); }
};

TSpoolName ParseSpoolName(std::u16string_view name);

// Printer and computer names compare without regard to case.
bool SameText(std::u16string_view a, std::u16string_view b);

}  // namespace ostrovel
