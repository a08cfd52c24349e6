// ostrovel-analyze: names and measures raw spool files from the command line,
// with the same header scan, stream parser and merge the program runs on a
// raw job whose spooler reported no copies and no pages.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "uSPL.h"
#include "uSPLMerge.h"
#include "uSPLProc.h"
#include "uToolOutput.h"
#include "uText.h"

using namespace ostrovel;

namespace {

constexpr const char* kUsage = "usage: ostrovel-analyze [--json] FILE...";

struct TFileReport {
  std::string File;
  TSPLInfo Info;
  TAnalysisMerge Merge;
  bool Emf = false;
  std::string ParseStopped;  // why the stream parser stopped early, if it did
};

bool StartsWithEmfHeader(int fd) {
  uint8_t head[4];
  return pread(fd, head, sizeof head, 0) == 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 &&
         head[3] == 0;
}

TFileReport Analyse(const std::string& file, int fd) {
  TFileReport r;
  r.File = file;
  if (StartsWithEmfHeader(fd)) {
    // EMF spool files are walked by their own scan; here they are only named.
    r.Emf = true;
    r.Info.Language = slEmf;
    return r;
  }
  ScanSpoolFile(fd, r.Info);
  TSpl spl(dup(fd));
  try {
    spl.Parse();
  } catch (const ESplConvertError& e) {
    r.ParseStopped = e.what();
  }
  const TSplFindings findings = SplFindings(spl);
  r.Merge = MergeAnalysis(TJobCounts{sdtRaw, 0, 0}, &findings, r.Info);
  return r;
}

// Texts taken as they stand in the data keep their line terminators.
std::string Display(const std::u16string& text) {
  std::string s = WideToUtf8(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

std::string Json(std::string_view s) { return JsonString(s); }

std::string JsonOrNull(bool has, const std::string& value) {
  return has ? value : "null";
}

std::vector<std::string> Offsets(const std::u16string& text) {
  std::vector<std::string> out;
  std::string current;
  for (char16_t c : text) {
    if (c == u' ') {
      if (!current.empty()) out.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(c);
    }
  }
  if (!current.empty()) out.push_back(current);
  return out;
}

void PrintJson(const TFileReport& r) {
  const TSPLInfo& i = r.Info;
  const TJobCounts& job = r.Merge.Job;
  std::string offsets;
  for (const auto& o : Offsets(i.JobOffsets)) offsets += (offsets.empty() ? "" : ",") + o;
  std::printf(
      "{\"file\":%s,\"dataType\":%s,\"language\":%s,\"pages\":%u,\"copies\":%u,\"title\":%s,"
      "\"user\":%s,\"paper\":%s,\"paperWidthMm\":%s,\"paperLengthMm\":%s,\"duplex\":%s,"
      "\"resolution\":%s,\"orientation\":%s,\"languageName\":%s,\"jobOffsets\":[%s]}\n",
      Json(r.File).c_str(), Json(DataTypeName(job.DataType)).c_str(),
      Json(LanguageName(i.Language)).c_str(), job.TotalPages, job.Copies,
      JsonOrNull(r.Merge.HasTitle, Json(WideToUtf8(r.Merge.Title))).c_str(),
      JsonOrNull(i.Has(siUserName), Json(Display(i.UserName))).c_str(),
      JsonOrNull(i.Has(siPaperName), Json(Display(i.PaperName))).c_str(),
      JsonOrNull(i.Has(siPaperSizeMm), std::to_string(i.PaperWidthMm)).c_str(),
      JsonOrNull(i.Has(siPaperSizeMm), std::to_string(i.PaperLengthMm)).c_str(),
      JsonOrNull(i.Has(siDuplex), i.Duplex ? "true" : "false").c_str(),
      JsonOrNull(i.Has(siResolution), std::to_string(i.Resolution)).c_str(),
      JsonOrNull(i.Has(siOrientation), i.Orientation == 1 ? "\"portrait\"" : "\"landscape\"")
          .c_str(),
      JsonOrNull(i.Has(siLanguageName), Json(Display(i.LanguageName))).c_str(), offsets.c_str());
}

void PrintTable(const std::vector<TFileReport>& reports) {
  const std::vector<std::string> head = {"FILE",  "TYPE",   "LANGUAGE", "PAGES", "COPIES",
                                         "PAPER", "DUPLEX", "TITLE",    "USER"};
  std::vector<std::vector<std::string>> rows = {head};
  for (const auto& r : reports) {
    const TSPLInfo& i = r.Info;
    rows.push_back({r.File, std::string(DataTypeName(r.Merge.Job.DataType)),
                    std::string(LanguageName(i.Language)), std::to_string(r.Merge.Job.TotalPages),
                    std::to_string(r.Merge.Job.Copies),
                    i.Has(siPaperName) ? Display(i.PaperName) : "-",
                    i.Has(siDuplex) ? (i.Duplex ? "yes" : "no") : "-",
                    r.Merge.HasTitle ? WideToUtf8(r.Merge.Title) : "-",
                    i.Has(siUserName) ? Display(i.UserName) : "-"});
  }
  ostrovel::PrintTable(rows);
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  std::vector<std::string> files;
  for (int a = 1; a < argc; ++a) {
    const std::string_view arg = argv[a];
    if (arg == "--json") {
      json = true;
    } else if (arg == "--help" || arg == "-h") {
      std::printf(
          "%s\n\nNames and measures raw spool files: data type, language, pages, copies,\n"
          "paper, duplex, title and user, read from PJL, EJL and PostScript headers and\n"
          "from the byte structure of PCL, PRESCRIBE, ZIMF, ZJS, CAPT and ESC/P2 data.\n\n"
          "  --json    one JSON object per file and line instead of a table\n\n"
          "Exit status: 0 when every file was read, 1 when a file could not be read,\n"
          "2 for bad usage.\n",
          kUsage);
      return 0;
    } else if (arg == "--") {
      for (++a; a < argc; ++a) files.emplace_back(argv[a]);
    } else if (arg.starts_with("-") && arg != "-") {
      std::fprintf(stderr, "ostrovel-analyze: unknown option '%s'\n%s\n", argv[a], kUsage);
      return 2;
    } else {
      files.emplace_back(arg);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }

  int status = 0;
  std::vector<TFileReport> reports;
  for (const auto& file : files) {
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      close(fd);
      fd = -1;
      errno = EISDIR;
    }
    if (fd < 0) {
      std::fprintf(stderr, "ostrovel-analyze: cannot open %s: %s\n", file.c_str(),
                   std::strerror(errno));
      status = 1;
      continue;
    }
    TFileReport r = Analyse(file, fd);
    close(fd);
    if (!r.ParseStopped.empty())
      std::fprintf(stderr, "ostrovel-analyze: %s: stream parse stopped early: %s\n", file.c_str(),
                   r.ParseStopped.c_str());
    if (json) {
      PrintJson(r);
      std::fflush(stdout);
    } else {
      reports.push_back(std::move(r));
    }
  }
  if (!json && !reports.empty()) PrintTable(reports);
  return status;
}
