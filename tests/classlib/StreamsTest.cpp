#include "classlib/Streams.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace cl;

TEST(MemoryStream, ReadsWritesSeeksAndGrows)
{
    TMemoryStream s;
    s.WriteBuffer("hello", 5);
    EXPECT_EQ(s.Seek(-2, TSeekOrigin::soEnd), 3);
    s.WriteBuffer("LOW", 3);
    EXPECT_EQ(s.Size(), 6);
    s.SetPosition(0);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 100), 6);
    EXPECT_STREQ(buf, "helLOW");
    EXPECT_EQ(s.Read(buf, 1), 0);
    s.SetPosition(4);
    EXPECT_THROW(s.ReadBuffer(buf, 3), EReadError);
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
}

TEST(FileStream, CreatesReadsAndReportsMissingFiles)
{
    const AnsiString name = "stream-test.bin";
    {
        TFileStream f(name, fmCreate);
        f.WriteBuffer("abc", 3);
    }
    TMemoryStream m;
    m.LoadFromFile(name);
    EXPECT_EQ(m.Size(), 3);
    TMemoryStream copy;
    copy.CopyFrom(m, 0);
    EXPECT_EQ(copy.Bytes(), m.Bytes());
    std::remove(name.c_str());
    EXPECT_THROW(TFileStream(name, fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream("no-such-dir/x", fmCreate), EFCreateError);
}
