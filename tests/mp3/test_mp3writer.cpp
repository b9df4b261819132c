#include "Mp3TestUtil.h"
#include "NumberedError.h"
#include "cMp3Writer.h"

#include <gtest/gtest.h>

using namespace mp3test;

namespace {

long writeError(const std::function<void()> &f, std::string *source = nullptr)
{
    try {
        f();
        return 0;
    } catch (const NumberedError &e) {
        if (source)
            *source = e.Source();
        return e.Number();
    }
}

} // namespace

TEST(Mp3Writer, AppendsWhatTheBufferHoldsWithinItsSize)
{
    TempDir dir;
    const std::string path = dir.file("out.mp3");
    writeFile(path, std::vector<uint8_t>(500, 'x'));

    cMp3Writer w;
    EXPECT_EQ(w.BufferSize(), 8192);
    w.SetBufferSize(16);
    w.SetFilename(path);
    EXPECT_TRUE(readFile(path).empty()) << "naming an existing file empties it at once";

    std::memcpy(w.BufferPointer(), "0123456789abcdef", 16);
    EXPECT_EQ(w.WriteBufferToFile(16), 16);
    EXPECT_EQ(w.WriteBufferToFile(0), 0);
    EXPECT_EQ(w.WriteBufferToFile(4), 4);
    std::string source;
    EXPECT_EQ(writeError([&] { w.WriteBufferToFile(17); }, &source), 29873);
    EXPECT_EQ(source, "tavilune.WriteBufferToFile");
    EXPECT_EQ(writeError([&] { w.WriteBufferToFile(-1); }), 29873);

    // The info frame goes over the start; appending continues at the end.
    std::memcpy(w.BufferPointer(), "AB", 2);
    w.RewriteFileStart(2);
    EXPECT_EQ(w.WriteBufferToFile(3), 3);
    w.CloseFile();
    const auto bytes = readFile(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "AB23456789abcdef0123AB2");
    EXPECT_EQ(writeError([&] { w.WriteBufferToFile(1); }), 29874);
    EXPECT_EQ(writeError([&] { w.RewriteFileStart(1); }), 29874);
}

TEST(Mp3Writer, BufferAndFileLiveApart)
{
    TempDir dir;
    cMp3Writer w;
    EXPECT_EQ(w.BufferPointer(), nullptr);
    w.SetFilename(dir.file("a.mp3"));
    ASSERT_NE(w.BufferPointer(), nullptr) << "naming the file allocates the default buffer";
    w.BufferPointer()[0] = 'a';
    w.WriteBufferToFile(1);

    // A new name closes the first file, which keeps what it got.
    w.SetFilename(dir.file("b.mp3"));
    w.WriteBufferToFile(1);
    EXPECT_EQ(readFile(dir.file("a.mp3")).size(), 1u);

    // A new size gives a new zero-filled buffer.
    w.SetBufferSize(64);
    EXPECT_EQ(w.BufferPointer()[0], 0);
    EXPECT_EQ(w.BufferSize(), 64);

    std::string source;
    EXPECT_EQ(writeError([&] { w.SetFilename(dir.file("no/such/folder.mp3")); }, &source), 29872);
    EXPECT_EQ(source, "tavilune.OpenFile");
    EXPECT_EQ(writeError([&] { w.SetBufferSize(-5); }, &source), 29871);
    EXPECT_EQ(source, "tavilune.AllocateBuffer");
    EXPECT_EQ(w.BufferSize(), 64) << "a failed allocation keeps the old size";
    EXPECT_EQ(writeError([&] { w.WriteBufferToFile(0); }), 29874) << "no buffer, no file";
}
