// Read-only INI files written by us or by translators: Options.ini, the
// language files, Folders.ini.
//
// The file is read once, when the reader is made. UTF-8 (with or without a
// byte-order mark) and UTF-16 LE with its mark are understood; a file without
// a mark that is not valid UTF-8 is read as Windows-1252. Section and key
// names match without regard to case; the first entry of a key wins; a value
// loses surrounding blanks and one pair of enclosing quotes. A missing file,
// section or key gives the caller's default.
//
// Threads: a reader belongs to the thread that made it.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace ostrovel {

class TIniFile {
 public:
  // A reader with no file behind it: every read gives its default.
  TIniFile() = default;
  explicit TIniFile(const std::string& fileName);

  std::u16string ReadString(std::string_view section, std::string_view key,
                            std::u16string_view def) const;
  // Decimal, or hexadecimal after "0x" or "$", with an optional sign; any
  // other text, or a number beyond 32 bits, gives the default.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;

  const std::string& FileName() const { return file_name_; }
  // Whether a file was found and read.
  bool Loaded() const { return loaded_; }

 private:
  void Parse(std::u16string_view text);

  std::string file_name_;
  bool loaded_ = false;
  std::unordered_map<std::string, std::u16string> values_;  // folded "section\nkey"
};

// The text of INI bytes as wide text, by their byte-order mark.
std::u16string DecodeIniText(std::string_view bytes);

}  // namespace ostrovel
