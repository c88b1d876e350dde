// The engine's reusable buffer and reading a whole file into it.
#include <sys/stat.h>

#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "byte_buffer.h"
#include "engine_test_support.h"
#include "file_io.h"
#include "test_support.h"

namespace trimora {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    std::mt19937 random(seed);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

bool Holds(const TByteBuffer& buffer, const std::vector<std::uint8_t>& bytes) {
    return buffer.size() == bytes.size() && std::equal(bytes.begin(), bytes.end(), buffer.begin());
}

TEST(ByteBuffer, GrowingKeepsTheBytesFromTheHeapToMappedPagesAndOn) {
    // Sizes on both sides of the point where buffers become mapped pages.
    const std::size_t sizes[] = {0, 1, 100, 65536, TByteBuffer::LargeSize - 1, TByteBuffer::LargeSize,
                                 TByteBuffer::LargeSize * 3 + 7, TByteBuffer::LargeSize * 5};
    TByteBuffer buffer;
    std::vector<std::uint8_t> expected;
    for (std::size_t size : sizes) {
        const std::size_t old = expected.size();
        buffer.resize_uninitialized(size);
        expected.resize(size);
        for (std::size_t i = old; i < size; ++i) buffer[i] = expected[i] = static_cast<std::uint8_t>(i * 7 + size);
        ASSERT_TRUE(Holds(buffer, expected)) << size;
        ASSERT_GE(buffer.capacity(), size);
    }
}

TEST(ByteBuffer, ClearKeepsTheMemoryForTheNextUse) {
    TByteBuffer buffer;
    const auto big = Pattern(TByteBuffer::LargeSize * 2, 1);
    buffer.assign(big.data(), big.size());
    const std::uint8_t* memory = buffer.data();
    const std::size_t capacity = buffer.capacity();
    buffer.clear();
    EXPECT_TRUE(buffer.empty());
    const auto small = Pattern(1000, 2);
    buffer.assign(small.data(), small.size());
    EXPECT_TRUE(Holds(buffer, small));
    EXPECT_EQ(buffer.data(), memory);
    EXPECT_EQ(buffer.capacity(), capacity);
}

TEST(ByteBuffer, MovesHandOverTheMemory) {
    TByteBuffer first;
    const auto bytes = Pattern(TByteBuffer::LargeSize + 5, 3);
    first.assign(bytes.data(), bytes.size());
    TByteBuffer second(std::move(first));
    EXPECT_TRUE(Holds(second, bytes));
    EXPECT_EQ(first.size(), 0u);
    EXPECT_EQ(first.data(), nullptr);
    TByteBuffer third;
    const auto other = Pattern(10, 4);
    third.assign(other.data(), other.size());
    third = std::move(second);
    EXPECT_TRUE(Holds(third, bytes));
    third.Release();
    EXPECT_EQ(third.capacity(), 0u);
}

class ReadWholeFileTest : public testing::Test {
protected:
    test::TempDir dir;

    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::WriteText(dir / name, std::string(bytes.begin(), bytes.end()));
    }
};

TEST_F(ReadWholeFileTest, ReadsFilesOfEverySizeIntoOneReusedBuffer) {
    // Larger and smaller files one after the other into the same buffers.
    const std::size_t sizes[] = {0, 1, 4095, 4096, 70000, TByteBuffer::LargeSize + 1, 3, TByteBuffer::LargeSize * 2,
                                 0, 12345};
    TByteBuffer buffer;
    std::vector<std::uint8_t> vector;
    unsigned seed = 0;
    for (std::size_t size : sizes) {
        const auto bytes = Pattern(size, ++seed);
        Write("f", bytes);
        ASSERT_EQ(ReadWholeFile(dir / "f", buffer), ReadResult::Ok);
        ASSERT_TRUE(Holds(buffer, bytes)) << size;
        ASSERT_EQ(ReadWholeFile(dir / "f", vector), ReadResult::Ok);
        ASSERT_EQ(vector, bytes) << size;
    }
}

TEST_F(ReadWholeFileTest, RefusesWhatIsNotARegularFileAndLeavesTheBufferEmpty) {
    TByteBuffer buffer;
    const auto bytes = Pattern(100, 9);
    buffer.assign(bytes.data(), bytes.size());
    EXPECT_EQ(ReadWholeFile(dir / "missing", buffer), ReadResult::Missing);
    EXPECT_TRUE(buffer.empty());
    buffer.assign(bytes.data(), bytes.size());
    fs::create_directory(dir.Path() / "folder");
    EXPECT_EQ(ReadWholeFile(dir / "folder", buffer), ReadResult::NotRegular);
    EXPECT_TRUE(buffer.empty());
    // A pipe with no writer would block a reader for ever: never opened.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(dir / "pipe", buffer), ReadResult::NotRegular);
    std::vector<std::uint8_t> vector(bytes);
    EXPECT_EQ(ReadWholeFile(dir / "pipe", vector), ReadResult::NotRegular);
    EXPECT_TRUE(vector.empty());
}

TEST_F(ReadWholeFileTest, CompressingFromTheBufferGivesWhatTheVectorGives) {
    TTrimora engine("");
    test::LoadBuiltInRules(engine);
    const std::string page = "<p>  Hello   <strong>world</strong>  </p>\n";
    std::string large;
    while (large.size() < TByteBuffer::LargeSize * 2) large += page;
    for (const std::string& text : {page, large}) {
        Write("a.htm", std::vector<std::uint8_t>(text.begin(), text.end()));
        TByteBuffer input, output;
        ASSERT_EQ(ReadWholeFile(dir / "a.htm", input), ReadResult::Ok);
        ASSERT_TRUE(engine.CompressBytes("a.htm", input.Bytes(), output));
        EXPECT_EQ(std::string(output.begin(), output.end()), test::CompressText(engine, "a.htm", text));
    }
}

}  // namespace
}  // namespace trimora
