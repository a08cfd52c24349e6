#include <gtest/gtest.h>

#include "spool_test_util.h"
#include "uStreams.h"

namespace ostrovel {
namespace {

using test::TempFd;

TEST(MappedStream, EmptyFileReadsNothing) {
  TFileStreamEx s(TempFd(""));
  char b[4];
  EXPECT_EQ(s.Size(), 0);
  EXPECT_FALSE(s.Mapped());
  EXPECT_EQ(s.Read(b, 1), 0);
  EXPECT_EQ(s.Peek(b, 4), 0);
}

TEST(MappedStream, InvalidHandleReadsNothing) {
  TFileStreamEx s(-1);
  char b;
  EXPECT_EQ(s.Read(&b, 1), 0);
  EXPECT_EQ(s.Seek(5, TCustomMappedStream::soCurrent), 5);
}

TEST(MappedStream, ReadPeekAndSeek) {
  TFileStreamEx s(TempFd("0123456789abcdefghij"));
  char b[32] = {};
  EXPECT_EQ(s.Peek(b, 27), 20);  // short peek returns what there is
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Read(b, 4), 4);
  EXPECT_EQ(std::string(b, 4), "0123");
  EXPECT_EQ(s.Position(), 4);
  EXPECT_EQ(s.Seek(2, TCustomMappedStream::soCurrent), 6);
  EXPECT_EQ(s.Read(b, 1), 1);
  EXPECT_EQ(b[0], '6');
  EXPECT_EQ(s.Seek(-3, TCustomMappedStream::soEnd), 17);
  EXPECT_EQ(s.Read(b, 10), 3);
  EXPECT_EQ(std::string(b, 3), "hij");
}

TEST(MappedStream, PositionsAreNotClamped) {
  TFileStreamEx s(TempFd("0123456789abcdefghij"));
  char b;
  EXPECT_EQ(s.Seek(30, TCustomMappedStream::soBeginning), 30);
  EXPECT_EQ(s.Read(&b, 1), 0);
  EXPECT_EQ(s.Position(), 30);
  EXPECT_EQ(s.Seek(-40, TCustomMappedStream::soCurrent), -10);
  EXPECT_EQ(s.Read(&b, 1), 0);
  EXPECT_EQ(s.Seek(10, TCustomMappedStream::soCurrent), 0);
  EXPECT_EQ(s.Read(&b, 1), 1);
  EXPECT_EQ(b, '0');
}

TEST(MappedStream, OwnsAndClosesItsDescriptor) {
  const int fd = TempFd("x");
  { TFileStreamEx s(fd); }
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);
}

}  // namespace
}  // namespace ostrovel
