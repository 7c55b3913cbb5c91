#include <gtest/gtest.h>

#include "binary_stream.h"
#include "test_files.h"

using namespace testfiles;

TEST(BinaryStream, ReadsBigEndianAndYieldsZeroPastTheEnd) {
  TempFiles files;
  std::string path = files.Write("\x01\x02\x03\x04\x05\x06\x07");
  BinaryStream stream(path);
  ASSERT_TRUE(stream.IsOpen());
  EXPECT_EQ(stream.Length(), 7u);
  EXPECT_EQ(stream.ReadUInt16(), 0x0102);
  EXPECT_EQ(stream.ReadUInt32(), 0x03040506u);
  EXPECT_FALSE(stream.AtEnd());
  EXPECT_EQ(stream.ReadByte(), 0x07);
  EXPECT_TRUE(stream.AtEnd());
  EXPECT_EQ(stream.ReadByte(), 0);
  EXPECT_EQ(stream.Position(), 8u);  // reads past the end still move on

  stream.SetPosition(5);
  EXPECT_EQ(stream.Read(10), "\x06\x07");
  EXPECT_EQ(stream.Position(), 15u);
  EXPECT_EQ(stream.Read(0), "");
  EXPECT_EQ(stream.Read(-3), "");
  stream.SetPosition(-5);
  EXPECT_EQ(stream.Position(), 0u);
  stream.SetPosition(int64_t{1} << 40);
  EXPECT_EQ(stream.Position(), 0xFFFFFFFFu);
  EXPECT_TRUE(stream.AtEnd());
}

TEST(BinaryStream, SeeksAcrossTheBuffer) {
  TempFiles files;
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += static_cast<char>(i * 7 + i / 256);
  BinaryStream stream(files.Write(bytes));
  for (uint32_t at : {99990u, 5u, 16383u, 16384u, 50000u, 0u}) {
    stream.SetPosition(at);
    EXPECT_EQ(stream.ReadByte(), static_cast<uint8_t>(bytes[at])) << at;
  }
  stream.SetPosition(16000);
  EXPECT_EQ(stream.Read(40000), bytes.substr(16000, 40000));
}

TEST(BinaryStream, WritesChangeAndExtendTheFile) {
  TempFiles files;
  std::string path = files.Write(std::string(20000, 'a'));
  {
    BinaryStream stream(path, BinaryStream::Mode::ReadWrite);
    ASSERT_TRUE(stream.IsOpen());
    stream.SetPosition(3);
    EXPECT_EQ(stream.ReadByte(), 'a');
    stream.SetPosition(2);
    stream.WriteUInt32(0x42434445);
    stream.SetPosition(0);
    EXPECT_EQ(stream.Read(7), "aaBCDEa");
    stream.SetPosition(19998);
    stream.Write("xyz!");
    stream.WriteUInt16(0x3132);
    EXPECT_EQ(stream.Length(), 20004u);
    EXPECT_TRUE(stream.Sync());
  }
  std::ifstream in(path, std::ios::binary);
  std::string back((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(back.size(), 20004u);
  EXPECT_EQ(back.substr(0, 7), "aaBCDEa");
  EXPECT_EQ(back.substr(19996), "aaxyz!12");
}

TEST(BinaryStream, RefusesWhatIsNoFile) {
  TempFiles files;
  EXPECT_FALSE(BinaryStream(files.Path("missing")).IsOpen());
  EXPECT_FALSE(BinaryStream(std::filesystem::temp_directory_path().string()).IsOpen());
  std::string path = files.Write("abc");
  BinaryStream readOnly(path);
  readOnly.Write("x");
  EXPECT_TRUE(readOnly.Failed());
}
