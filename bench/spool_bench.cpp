// Throughput of the stream parser and the header scan on generated spool
// files. Inputs are written once to the temporary folder and removed at exit.
//
//   build/bench/bench/spool_bench
//
// Counters: bytes_per_second is the file size over the time taken; faults
// is the number of page faults per run. The Warm runs parse a mapping whose
// pages are already mapped, which leaves only the parser's own work.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "uSPL.h"
#include "uSPLProc.h"

using namespace ostrovel;

namespace {

// Writes a file by repeating generated pieces; returns its path.
class TInputs {
 public:
  ~TInputs() {
    for (auto& [name, path] : paths_) std::remove(path.c_str());
  }
  template <typename Fill>
  const std::string& Get(const std::string& name, Fill&& fill) {
    auto it = paths_.find(name);
    if (it != paths_.end()) return it->second;
    std::string path =
        std::string(P_tmpdir) + "/ostrovel-bench-" + std::to_string(getpid()) + "-" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    fill([f](const std::string& piece) { std::fwrite(piece.data(), 1, piece.size(), f); });
    std::fclose(f);
    return paths_.emplace(name, path).first->second;
  }

 private:
  std::map<std::string, std::string> paths_;
};

TInputs inputs;

std::string Rows(int bytes, char fill) {
  return "\x1b*b" + std::to_string(bytes) + "W" + std::string(bytes, fill);
}

// A PCL raster job: `rows` raster rows of `rowBytes` each, 5000 rows a page.
const std::string& PclJob(int rows, int rowBytes) {
  return inputs.Get(
      "pcl-" + std::to_string(rows) + "x" + std::to_string(rowBytes), [&](auto write) {
        write(
            "\x1b%-12345X@PJL JOB NAME=\"bench\"\n@PJL SET COPIES=2\n@PJL ENTER LANGUAGE=PCL\n\x1b"
            "E\x1b*r1A");
        const std::string row = Rows(rowBytes, '\x0c');  // form feeds inside rows must not count
        std::string page;
        for (int r = 0; r < 100; ++r) page += row;
        for (int r = 0; r < rows; r += 100)
          write(r % 5000 == 4900 ? page + "\x1b*rB\x0c\x1b*r1A" : page);
        write("\x1b%-12345X@PJL EOJ\n\x1b%-12345X");
      });
}

// A text-heavy PostScript document with DSC comments on every page.
const std::string& PostScriptJob(int pages) {
  return inputs.Get("ps-" + std::to_string(pages), [&](auto write) {
    write("%!PS-Adobe-3.0\n%%Title: (Bench)\n%%For: bench\n%%Pages: (atend)\n%%EndComments\n");
    std::string page;
    for (int l = 0; l < 60; ++l)
      page += "72 " + std::to_string(760 - l * 12) +
              " moveto (The quick brown fox jumps over the lazy dog, line of text) show\n";
    for (int p = 1; p <= pages; ++p)
      write("%%Page: " + std::to_string(p) + " " + std::to_string(p) + "\n%%BeginPageSetup\n" +
            page + "showpage\n");
    write("%%Trailer\n%%Pages: " + std::to_string(pages) + "\n%%EOF\n");
  });
}

// An ESC/P2 job of run-length raster blocks: 180 lines of 720 bytes a block.
const std::string& EscP2Job(int blocks) {
  return inputs.Get("escp2-" + std::to_string(blocks), [&](auto write) {
    write(std::string(
        "\0\0\0\x1b\x01@EJL 1284.4\n@EJL     \n\x1b@\x1b(R\x08\x00\x00REMOTE1\x1b\x00\x00\x00",
        48));
    std::string rle;
    for (int line = 0; line < 180; ++line) {
      for (int run = 0; run < 720 / 80; ++run) {
        rle += char(39) + std::string(40, '\x0c');     // 40 literal bytes
        rle += char(257 - 40) + std::string(1, '\0');  // 40 repeated bytes
      }
    }
    const std::string block = std::string("\x1bi\x00\x01\x02", 5) + char(720 % 256) +
                              char(720 / 256) + char(180) + char(0) + rle + "\r";
    for (int b = 0; b < blocks; ++b) write(b % 20 == 19 ? block + "\x0c" : block);
  });
}

// A ZJS job: chunks of 64 KB raster data, an end-of-page chunk every 100.
const std::string& ZjsJob(int chunks) {
  return inputs.Get("zjs-" + std::to_string(chunks), [&](auto write) {
    auto chunk = [](uint32_t size, uint32_t type) {
      std::string h;
      for (uint32_t v : {size, type, 0u})
        h += {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
      return h + std::string("\0\0ZZ", 4);
    };
    write("JZJZ");
    const std::string data = chunk(65536 + 16, 0x0C) + std::string(65536, '\x5a');
    for (int c = 0; c < chunks; ++c) write(c % 100 == 99 ? data + chunk(16, 3) : data);
  });
}

long Faults() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_minflt + u.ru_majflt;
}

void RunParse(benchmark::State& state, const std::string& path) {
  int64_t size = 0;
  long faults = 0;
  int32_t pages = 0;
  for (auto _ : state) {
    const long before = Faults();
    TSpl spl(open(path.c_str(), O_RDONLY));
    size = spl.Stream().Size();
    spl.Parse();
    pages = spl.Pages;
    faults += Faults() - before;
  }
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["faults"] = benchmark::Counter(double(faults) / state.iterations());
  state.counters["pages"] = pages;
  state.counters["MB"] = double(size) / 1e6;
}

// The parser's own work: the same mapping parsed again once its pages are
// mapped, so only the bytes the states read count.
void RunParseWarm(benchmark::State& state, const std::string& path) {
  TSpl spl(open(path.c_str(), O_RDONLY));
  const uint8_t type = spl.Type;
  spl.Parse();
  for (auto _ : state) {
    spl.Stream().Seek(0, TCustomMappedStream::soBeginning);
    spl.Type = type;
    spl.Pages = 0;
    spl.Parse();
  }
  state.SetBytesProcessed(state.iterations() * spl.Stream().Size());
  state.counters["pages"] = spl.Pages;
  state.counters["MB"] = double(spl.Stream().Size()) / 1e6;
}

void RunScan(benchmark::State& state, const std::string& path) {
  int64_t size = 0;
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    TSPLInfo info;
    size = lseek(fd, 0, SEEK_END);
    ScanSpoolFile(fd, info);
    benchmark::DoNotOptimize(info.Flags);
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["MB"] = double(size) / 1e6;
}

// Same rows, ten times the bytes: the parser's time must not follow the size.
void BM_Parse_Pcl_Rows2000(benchmark::State& s) {
  RunParse(s, PclJob(100000, 2000));
}
void BM_Parse_Pcl_Rows20000(benchmark::State& s) {
  RunParse(s, PclJob(100000, 20000));
}
void BM_ParseWarm_Pcl_Rows2000(benchmark::State& s) {
  RunParseWarm(s, PclJob(100000, 2000));
}
void BM_ParseWarm_Pcl_Rows20000(benchmark::State& s) {
  RunParseWarm(s, PclJob(100000, 20000));
}
void BM_Parse_Pcl_CommandDense(benchmark::State& s) {
  RunParse(s, PclJob(4000000, 48));
}
void BM_Parse_EscP2_RunLength(benchmark::State& s) {
  RunParse(s, EscP2Job(1000));
}
void BM_Parse_Zjs(benchmark::State& s) {
  RunParse(s, ZjsJob(4000));
}
void BM_Scan_PostScript_Text(benchmark::State& s) {
  RunScan(s, PostScriptJob(12000));
}
void BM_Scan_Pcl_Raster(benchmark::State& s) {
  RunScan(s, PclJob(100000, 2000));
}

BENCHMARK(BM_Parse_Pcl_Rows2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse_Pcl_Rows20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseWarm_Pcl_Rows2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseWarm_Pcl_Rows20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse_Pcl_CommandDense)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse_EscP2_RunLength)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse_Zjs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scan_PostScript_Text)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scan_Pcl_Raster)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
