// The stream parser: signature test, PJL state and the language states.
#include <gtest/gtest.h>

#include "spool_test_util.h"
#include "uSPL.h"

namespace ostrovel {
namespace {

using namespace test;

const std::string kUel = "\x1b%-12345X";
const std::string kExitPacket = "\0\0\0\x1b\x01@EJL 1284.4\n@EJL     \n"_b;

struct TParsed {
  bool parsed;
  uint8_t type;
  int32_t pages;
  int copies;  // -1 when the copies bit is not set
};

TParsed ParseOf(const std::string& bytes) {
  auto spl = SplOf(bytes);
  const bool parsed = spl->Parse();
  return {parsed, spl->Type, spl->Pages,
          (spl->DevMode.dmFields & dmfCopies) ? int(spl->DevMode.dmCopies) : -1};
}

struct TCase {
  const char* name;
  std::string bytes;
  TParsed expected;
};

void PrintTo(const TCase& c, std::ostream* os) { *os << c.name; }

class SplCases : public ::testing::TestWithParam<TCase> {};

TEST_P(SplCases, TypePagesCopies) {
  const TCase& c = GetParam();
  const TParsed got = ParseOf(c.bytes);
  EXPECT_EQ(got.parsed, c.expected.parsed);
  EXPECT_EQ(got.type, c.expected.type);
  EXPECT_EQ(got.pages, c.expected.pages);
  EXPECT_EQ(got.copies, c.expected.copies);
}

std::string Zjs(bool bigEndian, uint32_t size, uint32_t type, const std::string& body = "") {
  auto u32 = bigEndian ? BE32 : LE32;
  return u32(size) + u32(type) + u32(0) + "\0\0ZZ"_b + body;
}

std::string Capt(uint16_t code, uint16_t length, const std::string& body) {
  return LE16(code) + LE16(length) + body;
}

std::string CaptJob(int setups, int pages) {
  // Bytes 4 to 7 of the stream carry the signature.
  std::string s = Capt(0xD0A0, 38, "\xCE\xDA\xDE\xFA"_b + std::string(30, '\0'));
  for (int i = 0; i < setups; ++i) s += Capt(2, 72, std::string(68, '\0'));
  for (int i = 0; i < pages; ++i) s += Capt(4, 8, "data");
  return s;
}

// Run-length raster: bytes per line 4, one line, compression 1.
std::string EscRaster(const std::string& rle) { return "\x1bi\x00\x01\x01\x04\x00\x01\x00"_b + rle; }

INSTANTIATE_TEST_SUITE_P(
    Signature, SplCases,
    ::testing::Values(
        TCase{"exit_packet_alone_is_escp2", kExitPacket, {true, sdtEscP2, 0, -1}},
        TCase{"leading_nuls_before_esc", "\0\0\x1b" "E\x0c\x0c\x0c\x0c\x0c\x0c"_b, {true, sdtPcl, 6, 1}},
        TCase{"prescribe_blank", "!R! RES; EXIT;", {true, sdtPrescribe, 0, -1}},
        TCase{"zjs_little_endian", "ZJZJ" + Zjs(false, 16, 3) + Zjs(false, 20, 3, "abcd"), {true, sdtZjs, 2, 1}},
        TCase{"zjs_big_endian", "JZJZ" + Zjs(true, 16, 3) + Zjs(true, 16, 1) + Zjs(true, 16, 3), {true, sdtZjs, 2, 1}},
        TCase{"zimf_without_records", "ZIMF\0\0\0\0"_b, {true, sdtZimf, 0, -1}},
        TCase{"capt", CaptJob(3, 2), {true, sdtCapt, 3, 1}},
        TCase{"too_short", "\0\0\0ABCDEFG"_b, {false, sdtRaw, 0, -1}},
        TCase{"plain_text", "Hello, printer\n", {false, sdtRaw, 0, -1}},
        TCase{"empty", "", {false, sdtRaw, 0, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Pjl, SplCases,
    ::testing::Values(
        TCase{"qty_times_copies", kUel + "@PJL SET QTY=3\n@PJL SET COPIES=2\n", {true, sdtPcl, 0, 6}},
        TCase{"qty_alone", kUel + "@PJL SET QTY=3\n", {true, sdtPcl, 0, 3}},
        TCase{"copies_keep_the_larger", kUel + "@PJL SET COPIES=5\r\n@PJL SET COPIES = 2\n", {true, sdtPcl, 0, 5}},
        TCase{"one_page_means_one_copy", "\x1b" "E page\x0c", {true, sdtPcl, 1, 1}},
        TCase{"enter_pclxl_stops", kUel + "@PJL ENTER LANGUAGE=PCLXL\n) HP-PCL XL;2;0\x0c\x0c", {true, sdtPclXl, 0, -1}},
        TCase{"enter_pcl_runs_pcl",
              kUel + "@PJL JOB NAME=\"a\"\n@PJL ENTER LANGUAGE = PCL\n\x1b" "E\x0c\x0c" + kUel + "@PJL EOJ\n" + kUel,
              {true, sdtPcl, 2, 1}},
        TCase{"enter_escp",
              kUel + "@PJL ENTER LANGUAGE=ESCP\n\x1b(R\x08\x00\x00REMOTE1" "DP\x02\x00\x00\x01\x1b\x00\x00\x00\x0c"_b,
              {true, sdtEscP2, 1, 1}},
        TCase{"enter_postscript_keeps_pcl", kUel + "@PJL ENTER LANGUAGE=POSTSCRIPT\n%!PS\nshowpage\x0c", {true, sdtPcl, 0, -1}},
        TCase{"bare_pjl_line_ends_parse", kUel + "@PJL\n\x1b" "E\x0c", {true, sdtPcl, 0, -1}},
        TCase{"empty_line_ends_pjl", kUel + "@PJL SET QTY=2\n\n\x1b" "E\x0c", {true, sdtPcl, 0, 2}},
        TCase{"eoj_with_name_does_not_resniff", kUel + "@PJL EOJ NAME=x\n\x1b" "E\x0c", {true, sdtPcl, 1, 1}},
        TCase{"bare_eoj_resniffs", kUel + "@PJL EOJ\nZJZJ" + Zjs(false, 16, 3), {true, sdtZjs, 1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Pcl, SplCases,
    ::testing::Values(
        TCase{"form_feeds_without_uel", "\x1b" "E text\x0c more\x0c", {true, sdtPcl, 2, 1}},
        TCase{"raster_row_data_is_skipped",
              "\x1b" "E\x1b*b40W" + std::string(20, '\x0c') + std::string(20, 'x') + "\x0c", {true, sdtPcl, 1, 1}},
        TCase{"combined_groups_and_lowercase_data",
              "\x1b" "E\x1b*b2m3w\x0c\x0c\x0c" "4W\x0c\x0c\x0c\x0c\x0c", {true, sdtPcl, 1, 1}},
        TCase{"copies_keep_the_larger", "\x1b&l2X\x1b&l1X\x1b" "E\x0c", {true, sdtPcl, 1, 2}},
        TCase{"transparent_data", "\x1b&p3X\x0c\x0c\x0c\x0c", {true, sdtPcl, 1, 1}},
        TCase{"font_header_data", "\x1b)s4W\x0c\x0c\x0c\x0c\x1b(10U\x0c", {true, sdtPcl, 1, 1}},
        TCase{"hpgl_up_to_next_escape", "\x1b%1BIN;SP1;PG;\x0c\x1b%0A\x0c", {true, sdtPcl, 1, 1}},
        // Blank raster rows as some drivers write them: a group without digits.
        TCase{"empty_group_reads_as_zero", "\x1b*b1Y\x1b*bW\x0c\x1b*b0W\x0c", {true, sdtPcl, 2, 1}},
        TCase{"negative_length_ends_state", "\x1b*b-5W\x0c\x0c", {true, sdtPcl, 0, -1}},
        TCase{"length_past_end", "\x1b*b999999W\x0c\x0c", {true, sdtPcl, 0, -1}},
        TCase{"truncated_sequence", "\x1b" "E\x1b*b1234", {true, sdtPcl, 0, -1}},
        TCase{"uel_then_pjl_then_pcl", kUel + "@PJL SET QTY=2\n\x1b" "E\x0c" + kUel, {true, sdtPcl, 1, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OtherLanguages, SplCases,
    ::testing::Values(
        TCase{"prescribe_sem6_continues_as_pcl", "!R! RES; SEM 6; EXIT;\x1b" "E\x0c\x0c", {true, sdtPrescribe, 2, 1}},
        TCase{"prescribe_exit_e_eats_line_feed", "!R! SEM 6; EXIT,E;\n\x1b" "E\x0c", {true, sdtPrescribe, 1, 1}},
        TCase{"prescribe_inside_pcl_job", "!R! SEM 6; EXIT;\x1b" "Ea\x0c!R! RES; EXIT;\x0c\x0c", {true, sdtPrescribe, 3, 1}},
        TCase{"prescribe_bang_without_r", "!R! SEM 6; EXIT;\x1b" "E!X\x0c!R\x0c", {true, sdtPrescribe, 2, 1}},
        TCase{"prescribe_no_semicolon", "!R! RES 300", {true, sdtPrescribe, 0, -1}},
        TCase{"zjs_short_chunk_length_ends", "ZJZJ" + Zjs(false, 8, 3) + Zjs(false, 16, 3), {true, sdtZjs, 0, -1}},
        TCase{"zjs_bad_signature_ends", "ZJZJ" + Zjs(false, 16, 3) + "garbage-garbage!", {true, sdtZjs, 1, 1}},
        TCase{"capt_negative_skip_ends", CaptJob(1, 1) + Capt(4, 2, "") + Capt(4, 4, ""), {true, sdtCapt, 1, 1}},
        TCase{"capt_job_settings",
              CaptJob(0, 1) + Capt(1, 28, LE32(0) + LE16(4) + std::string(14, '\0') + LE32(2)), {true, sdtCapt, 1, 4}},
        TCase{"escp2_form_feeds", kExitPacket + "\x1b@\x0c\x1b@\x0c", {true, sdtEscP2, 2, 1}},
        TCase{"escp2_raster_row", kExitPacket + EscRaster("\x03\x0c\x0c\x0c\x0c") + "\x0c", {true, sdtEscP2, 1, 1}},
        TCase{"escp2_rle_repeat", kExitPacket + EscRaster("\xFD\x0c") + "\x0c", {true, sdtEscP2, 1, 1}},
        TCase{"escp2_rle_ends_early", kExitPacket + EscRaster("\x7f\x0c\x0c"), {true, sdtEscP2, 0, -1}},
        TCase{"escp2_command_length",
              kExitPacket + "\x1b(d\x03\x00\x0c\x0c\x0c\x1b(K\x02\x00\x00\x01\x0c"_b, {true, sdtEscP2, 1, 1}},
        TCase{"escp2_second_exit_packet_skipped", kExitPacket + "\x0c" + kExitPacket + "\x0c", {true, sdtEscP2, 2, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Spl, PrescribeFollowedByBlankSkipsFour) {
  // "!R!" followed by a blank: the blank is part of the signature.
  EXPECT_EQ(SplOf("!R! RES;")->Stream().Position(), 4);
  EXPECT_EQ(SplOf("!R!RES;x")->Stream().Position(), 3);
}

TEST(Spl, OnlyJzjzIsBigEndian) {
  EXPECT_EQ(SplOf("JZJZ" + Zjs(true, 16, 3))->BigEndian, 1);
  EXPECT_EQ(SplOf("ZJZJ" + Zjs(false, 16, 3))->BigEndian, 0);
}

TEST(Spl, EscP2RecordsColourAndDuplex) {
  auto spl = SplOf(kExitPacket + "\x1b(K\x02\x00\x00\x01\x1b(R\x08\x00\x00REMOTE1DP\x02\x00\x00\x01"_b);
  spl->Parse();
  EXPECT_EQ(spl->DevMode.dmColor, 1);
  EXPECT_EQ(spl->DevMode.dmDuplex, 2);
  EXPECT_EQ(spl->DevMode.dmFields & (dmfColor | dmfDuplex), dmfColor | dmfDuplex);
}

TEST(Spl, ZimfDocumentHeaderCarriesCopies) {
  // A document header record whose device mode asks for two copies.
  TDevModeW dm{};
  dm.dmFields = dmfCopies;
  dm.dmCopies = 2;
  std::string devmode(reinterpret_cast<const char*>(&dm), sizeof dm);
  std::string body = LE32(36) + LE32(0) + LE32(0) + LE32(0) + LE32(0) + devmode;
  auto header = [](uint32_t length, uint32_t type, uint32_t sub) {
    return LE32(0xDCA99ACD) + LE32(length) + LE32(0) + LE32(0) + LE32(type) + LE32(0) + LE32(0) + LE32(sub);
  };
  std::string page = header(40, 3, 0) + std::string(8, 'p');
  auto spl = SplOf("ZIMF" + header(32 + body.size(), 1, 1) + body + page + page);
  EXPECT_TRUE(spl->Parse());
  EXPECT_EQ(spl->Pages, 2);
  EXPECT_EQ(spl->DevMode.dmCopies, 2);
}

TEST(Spl, ZimfRecordThatPointsBackEnds) {
  // A type-8 record with offset 0 would lead back to its own header.
  const std::string rec = LE32(0xDCA99ACD) + LE32(44) + LE32(0) + LE32(0) + LE32(8) + LE32(0) + LE32(0) +
                          LE32(0) + LE32(0) + LE32(1) + LE32(1);
  auto spl = SplOf("ZIMF" + rec);
  EXPECT_TRUE(spl->Parse());
}

TEST(Spl, ConversionErrorsStopTheParse) {
  for (const std::string& bad : {kUel + "@PJL SET COPIES=two\n", "\x1b*b1.5.2W\x0c"_b, "\x1b*b--3W\x0c"_b}) {
    auto spl = SplOf(bad);
    EXPECT_THROW(spl->Parse(), ESplConvertError) << bad;
  }
}

TEST(SplStrToInt, AcceptsOnlyWholeDecimalIntegers) {
  EXPECT_EQ(SplStrToInt("12"), 12);
  EXPECT_EQ(SplStrToInt("+12"), 12);
  EXPECT_EQ(SplStrToInt("-3"), -3);
  for (const char* bad : {"", "+", "-", "1.5", "--3", "+-3", "3x", "99999999999"})
    EXPECT_THROW(SplStrToInt(bad), ESplConvertError) << bad;
}

}  // namespace
}  // namespace ostrovel
