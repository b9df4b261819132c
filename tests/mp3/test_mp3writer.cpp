#include "common/NumberedError.h"
#include "mp3/cMp3Writer.h"
#include "Mp3TestUtil.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

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

TEST(Mp3Writer, NeverWritesThroughALinkAndANewFileOnlyWhereNothingIs)
{
    enum class At { Nothing, File, LinkToFile, LinkToNothing };
    struct Row {
        const char *name;
        cMp3Writer::Open mode;
        At at;
        bool opens;
    };
    const Row rows[] = {
        {"empties a file", cMp3Writer::Open::Truncate, At::File, true},
        {"creates a file", cMp3Writer::Open::Truncate, At::Nothing, true},
        {"link to a file", cMp3Writer::Open::Truncate, At::LinkToFile, false},
        {"link to nothing", cMp3Writer::Open::Truncate, At::LinkToNothing, false},
        {"new where nothing is", cMp3Writer::Open::NewOnly, At::Nothing, true},
        {"new over a file", cMp3Writer::Open::NewOnly, At::File, false},
        {"new over a link to a file", cMp3Writer::Open::NewOnly, At::LinkToFile, false},
        {"new over a link to nothing", cMp3Writer::Open::NewOnly, At::LinkToNothing, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string path = dir.file("out.mp3.part"), victim = dir.file("victim");
        if (row.at == At::File)
            writeFile(path, std::vector<uint8_t>(5, 'x'));
        if (row.at == At::LinkToFile)
            writeFile(victim, std::vector<uint8_t>(5, 'v'));
        if (row.at == At::LinkToFile || row.at == At::LinkToNothing) {
            ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0);
        }
        cMp3Writer w;
        w.SetBufferSize(4);
        const long error = writeError([&] {
            w.SetFilename(path, row.mode);
            w.WriteBufferToFile(4);
        });
        w.CloseFile();
        EXPECT_EQ(error, row.opens ? 0 : 29872);
        if (row.opens) {
            EXPECT_EQ(readFile(path), std::vector<uint8_t>(4, 0));
        }
        // What a link leads to is never touched, nor created.
        if (row.at == At::LinkToFile) {
            EXPECT_EQ(readFile(victim), std::vector<uint8_t>(5, 'v'));
        }
        EXPECT_EQ(std::filesystem::exists(victim), row.at == At::LinkToFile);
        if (row.at == At::File && !row.opens) {
            EXPECT_EQ(readFile(path), std::vector<uint8_t>(5, 'x'));
        }
    }
}
