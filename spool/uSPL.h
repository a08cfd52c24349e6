// TSpl: the stream parser that names a raw spool file's data type and counts
// its pages and copies, and SniffPdlLanguage, the text sniffer.
//
// The parser is a state machine over a mapped stream: a signature test, a PJL
// state and one state per page-description language, each skipping over the
// language's data blocks by their lengths. It reads only the bytes it needs,
// never outside the mapping, and every state ends on truncated data, lengths
// that would move backwards and run-length data that ends early.
//
// Threads: one TSpl belongs to one parse thread.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "uDevMode.h"
#include "uSPLType.h"
#include "uStreams.h"

namespace ostrovel {

// A PJL or PCL number that is not a decimal integer. It ends Parse; what was
// found until then stays in the parser.
class ESplConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TSpl {
 public:
  // States of the machine; 0 ends parsing.
  enum TState : int {
    stStop = 0,
    stSniff = 1,
    stPcl = 2,
    stPjl = 3,
    stPrescribe = 4,
    stZimf = 5,
    stZjs = 6,
    stCapt = 7,
    stEscP2 = 8,
  };

  // Takes over the stream (an open file descriptor for the int form; the file
  // is closed when the parser is destroyed) and runs the signature test once.
  explicit TSpl(std::unique_ptr<TCustomMappedStream> stream);
  explicit TSpl(int fd);

  TSpl(const TSpl&) = delete;
  TSpl& operator=(const TSpl&) = delete;

  // Runs the state machine from the state the type selects, then combines
  // the copies with the PJL quantity. Returns whether the type had a parser.
  // Throws ESplConvertError on a PJL or PCL number that is not an integer.
  bool Parse();

  TCustomMappedStream& Stream() { return *stream_; }

  uint8_t Type = sdtRaw;   // data type code found so far
  uint8_t OriginType = 0;  // sdtPrescribe when the job began as PRESCRIBE
  uint8_t BigEndian = 0;   // 1 for ZJS streams in "JZJZ" byte order
  TDevModeW DevMode{};     // findings in device-mode form
  uint8_t DriverData[kDevModeDriverDataSize]{};
  uint32_t PjlQuantity = 0;  // last @PJL SET QTY
  int32_t Pages = 0;

 private:
  int RunState(int state);
  int Sniff();
  int PjlState();
  bool PclStep(int& next);
  bool PrescribeStep(int& next);
  bool ZimfStep(int& next);
  bool ZjsStep(int& next);
  bool CaptStep(int& next);
  bool EscP2Step(int& next);
  void AdjustCopies();

  // PCL helpers.
  bool WalkPclText();
  bool PclGroups(std::string_view dataTerms, bool copiesTerm);
  bool ReadPclGroup(std::string_view& chars, uint8_t& terminator);

  // ZIMF helpers.
  void ReadDevMode();

  // Reading helpers over the stream: false at the end of the data.
  bool ReadByte(uint8_t& b);
  bool ReadU16(uint16_t& v);
  bool ReadU32(uint32_t& v);
  bool ReadBytes(void* buffer, int64_t count) { return stream_->Read(buffer, count) == count; }
  // Moves forward by n bytes; false (nothing moved) when n is negative.
  bool Skip(int64_t n);

  std::unique_ptr<TCustomMappedStream> stream_;
  int32_t captSetups_ = 0;  // CAPT page-setup records of the current state run
  bool remote_ = false;     // ESC/P2 remote mode
};

// Names the page-description language of a byte buffer by its text lines:
// PJL and EJL language lines, "%!PS" and "ZIMF". Tests at most 62 lines.
TSplLanguage SniffPdlLanguage(const uint8_t* buffer, int64_t length);

// Reads a whole decimal integer ("+12", "-3"); throws ESplConvertError for
// anything else, or for a value outside 32 bits.
int32_t SplStrToInt(std::string_view text);

}  // namespace ostrovel
