// Data files and zip archives, on archives written by Python's zipfile and
// by the zip command.
#include "PeakMemory.h"
#include "TestDirectory.h"

#include "DataFiles.h"
#include "ZipArchive.h"
#include "data/DataFile.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <random>
#include <vector>

namespace {

struct Member {
    std::string name;
    std::string data;
    std::string date = "[2020, 1, 1, 0, 0, 0]";
    bool stored = false;
};

std::string jsonText(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        out += (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') ? std::string(1, char(c)) : escaped;
    }
    return out + "\"";
}

// Random bytes defeat deflate; several chunks of them exercise the reader's
// chunking.
std::string noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

std::string contents(const std::string& path) {
    auto file = openDataFile(path);
    return file ? std::string(reinterpret_cast<const char*>(file->data()), file->size())
                : "<missing>";
}

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>(value >> 8 & 0xff);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

std::string rawDeflate(const std::string& data) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// An archive whose `entries` directory records all name one deflated
// member: one local header and stream, read as many times as it is listed.
std::string sharedStreamZip(const std::string& data, int entries) {
    const std::string stream = rawDeflate(data);
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    auto fields = [&](std::string& out) {
        put16(out, 20);  // version needed
        put16(out, 0);   // flags
        put16(out, 8);   // deflated
        put32(out, 0);   // time and date
        put32(out, crc);
        put32(out, static_cast<std::uint32_t>(stream.size()));
        put32(out, static_cast<std::uint32_t>(data.size()));
        put16(out, 7);  // name length
        put16(out, 0);  // extra length
    };
    std::string zip;
    put32(zip, 0x04034b50);
    fields(zip);
    zip += "m00.bin" + stream;
    std::string directory;
    for (int i = 0; i < entries; ++i) {
        put32(directory, 0x02014b50);
        put16(directory, 20);  // version made by
        fields(directory);
        put16(directory, 0);  // comment length
        put32(directory, 0);  // disk, internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, 0);  // local header offset
        char name[8];
        std::snprintf(name, sizeof name, "m%02d.bin", i);
        directory += name;
    }
    std::string end;
    put32(end, 0x06054b50);
    put32(end, 0);  // disks
    put16(end, static_cast<std::uint32_t>(entries));
    put16(end, static_cast<std::uint32_t>(entries));
    put32(end, static_cast<std::uint32_t>(directory.size()));
    put32(end, static_cast<std::uint32_t>(zip.size()));
    put16(end, 0);
    return zip + directory + end;
}

class DataFilesTest : public TestDirectory {
protected:
    void makeZip(const std::string& out, const std::vector<Member>& members,
                 const std::string& prefix = "", const std::string& comment = "") {
        std::string json = "{\"out\": " + jsonText(out) + ", \"prefix\": " + jsonText(prefix) +
                           ", \"comment\": " + jsonText(comment) + ", \"members\": [";
        for (std::size_t i = 0; i < members.size(); ++i) {
            json += std::string(i ? ", " : "") + "{\"name\": " + jsonText(members[i].name) +
                    ", \"data\": " + jsonText(members[i].data) + ", \"date\": " + members[i].date +
                    ", \"method\": \"" + (members[i].stored ? "stored" : "deflated") + "\"}";
        }
        writeFile("spec.json", json + "]}");
        run(std::string("python3 ") + DP_TEST_DATA "/make_zip.py spec.json");
        std::filesystem::remove("spec.json");
    }

    // Rewrites the 32-bit field at `offset` of every record with `signature`.
    static void patchRecords(const std::string& path, std::uint32_t signature, std::size_t offset,
                             std::uint32_t value) {
        std::string bytes = readFile(path);
        for (std::size_t at = 0; at + offset + 4 <= bytes.size(); ++at) {
            if (std::memcmp(&bytes[at], &signature, 4) == 0)
                std::memcpy(&bytes[at + offset], &value, 4);
        }
        writeFile(path, bytes);
    }
};

TEST_F(DataFilesTest, ReadsArchivesFromDifferentWriters) {
    const std::string big = noise(100000, 1) + std::string(50000, 'x');
    makeZip("python.zip", {{"stored.txt", "plain words", "[2020,1,1,0,0,0]", true},
                           {"deflated.bin", big},
                           {"small.txt", "tiny"}});
    makeZip("commented.zip", {{"comment.txt", "commented archive"}}, "", "a trailing comment");
    makeZip("prefixed.zip", {{"prefixed.txt", "after a stub"}}, std::string(3000, 'S'));
    writeFile("tool.txt", big + "tool");
    writeFile("piped.txt", "through a pipe");
    // Writing to a pipe makes zip stream: every member gets a data descriptor.
    run("zip -q tool.zip tool.txt && zip -q - piped.txt | cat > streamed.zip");
    std::filesystem::remove("tool.txt");
    std::filesystem::remove("piped.txt");

    EXPECT_EQ(contents("stored.txt"), "plain words");
    EXPECT_EQ(contents("deflated.bin"), big);
    EXPECT_EQ(contents("data\\small.txt"), "tiny");
    EXPECT_EQ(contents("comment.txt"), "commented archive");
    EXPECT_EQ(contents("prefixed.txt"), "after a stub");
    EXPECT_EQ(contents("tool.txt"), big + "tool");
    EXPECT_EQ(contents("piped.txt"), "through a pipe");
    EXPECT_EQ(dataFileSize("deflated.bin"), big.size());

    auto streamed = ZipArchive::open("streamed.zip");
    ASSERT_TRUE(streamed);
    ASSERT_EQ(streamed->members().size(), 1u);
    EXPECT_TRUE(streamed->members()[0].flags & 8);
}

TEST_F(DataFilesTest, PrecedenceAndNames) {
    makeZip("B.zip", {{"shadowed.txt", "member"},
                      {"order.txt", "B.zip"},
                      {"newer.txt", "old", "[2019,1,1,0,0,0]"},
                      {"tie.txt", "zip"},
                      {"data/nested.txt", "nested"},
                      {"logo.png", "logo"},
                      {"empty.txt", "member"}});
    makeZip(
        "a.zip",
        {{"tie.txt", "a.zip"}, {"order.txt", "a.zip"}, {"NEWER.TXT", "new", "[2021,6,1,12,0,0]"}});
    makeZip("z.KRN", {{"tie.txt", "krn"}});
    writeFile("shadowed.txt", "plain");
    writeFile("Mixed.Case", "mixed");
    writeFile("empty.txt", "");
    std::filesystem::create_directory("data");
    writeFile("data/demo.qsc", "in a subdirectory");

    EXPECT_EQ(contents("shadowed.txt"), "plain");
    EXPECT_EQ(contents("newer.txt"), "new");
    EXPECT_EQ(contents("tie.txt"), "krn");      // all "*.krn" come before all "*.zip"
    EXPECT_EQ(contents("order.txt"), "a.zip");  // name order ignores case
    EXPECT_EQ(contents("data\\LOGO.PNG"), "logo");
    EXPECT_EQ(contents("mixed.case"), "mixed");
    EXPECT_EQ(contents("nested.txt"), "<missing>");
    EXPECT_EQ(contents("data\\demo.qsc"), "<missing>");
    // An empty plain file is missing, and it still hides the member.
    EXPECT_EQ(dataFileSize("empty.txt"), 0u);
    EXPECT_EQ(contents("empty.txt"), "<missing>");
    // A '/' after the last '\' is kept, but never reaches another directory.
    EXPECT_EQ(contents("x\\data/nested.txt"), "nested");
    EXPECT_EQ(contents("x\\data/demo.qsc"), "<missing>");
    EXPECT_EQ(contents("x\\../" + dir_.filename().string() + "/Mixed.Case"), "<missing>");

    // Archives are indexed once: a later archive is not seen, plain files are.
    makeZip("late.zip", {{"late.txt", "late"}});
    writeFile("late.txt.plain", "plain");
    EXPECT_EQ(contents("late.txt"), "<missing>");
    EXPECT_EQ(contents("late.txt.plain"), "plain");
}

TEST_F(DataFilesTest, ReadDataBehavesLikeFread) {
    writeFile("seven.bin", "abcdefg");
    auto file = openDataFile("seven.bin");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->bytes.size(), 8u);
    EXPECT_EQ(file->bytes[7], 0);
    char buffer[8] = {};
    EXPECT_EQ(readData(buffer, 2, 2, *file), 2u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(readData(buffer, 2, 5, *file), 1u);  // "efg": the partial "g" is copied, not counted
    EXPECT_EQ(buffer[2], 'g');
    EXPECT_EQ(file->position, 7u);
    EXPECT_EQ(readData(buffer, 1, 1, *file), 0u);
    EXPECT_EQ(file->position, 7u);
    EXPECT_EQ(readData(buffer, 0, 1, *file), 0u);
    closeDataFile(std::move(file));
    closeDataFile(nullptr);
}

TEST_F(DataFilesTest, DamagedMembersAreMissingAndNamed) {
    makeZip("crc.zip", {{"crc.txt", "stored payload", "[2020,1,1,0,0,0]", true}});
    std::string bytes = readFile("crc.zip");
    bytes[bytes.find("payload")] = 'P';
    writeFile("crc.zip", bytes);
    // Declared sizes larger than the data: short by one, and close to 4 GiB.
    makeZip("short.zip", {{"short.txt", std::string(5000, 'a')}});
    patchRecords("short.zip", 0x02014b50, 24, 5001);
    patchRecords("short.zip", 0x04034b50, 22, 5001);
    makeZip("huge.zip", {{"huge.txt", "small really"}});
    patchRecords("huge.zip", 0x02014b50, 24, 0xffffffffu);
    patchRecords("huge.zip", 0x04034b50, 22, 0xffffffffu);

    testing::internal::CaptureStderr();
    EXPECT_EQ(contents("crc.txt"), "<missing>");
    EXPECT_EQ(contents("short.txt"), "<missing>");
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("crc.txt in ./crc.zip: CRC-32 mismatch"), std::string::npos) << log;
    EXPECT_NE(log.find("short.txt in ./short.zip"), std::string::npos) << log;
    EXPECT_EQ(dataFileSize("huge.txt"), 0u);
    char buffer[16];
    EXPECT_LT(readDataFile("huge.txt", buffer, sizeof buffer), 0);
}

TEST_F(DataFilesTest, MalformedArchivesAreRefusedWhole) {
    makeZip("good.zip", {{"one.txt", noise(3000, 2)}, {"two.txt", "two"}});
    const std::string good = readFile("good.zip");
    writeFile("notzip.zip", "PK but nothing else");
    std::filesystem::create_directory("folder.zip");
    // An entry count the directory cannot hold.
    std::string lying = good;
    std::size_t end = lying.rfind("PK\x05\x06");
    lying[end + 8] = lying[end + 10] = '\xff';
    lying[end + 9] = lying[end + 11] = '\xff';
    writeFile("lying.zip", lying);
    // Every truncation either refuses the archive or leaves it readable.
    for (std::size_t cut = 0; cut < good.size(); cut += 97)
        writeFile("cut" + std::to_string(cut) + ".zip", good.substr(0, cut));

    // Directory records that all point at one stream: each would inflate
    // it again, so the archive is malformed.
    writeFile("shared.zip", sharedStreamZip(std::string(1 << 16, 'z'), 20));

    testing::internal::CaptureStderr();
    DataFiles files(".");
    std::string log = testing::internal::GetCapturedStderr();
    ASSERT_EQ(files.archives().size(), 1u);
    EXPECT_EQ(files.archives()[0]->label(), "./good.zip");
    EXPECT_FALSE(ZipArchive::open("lying.zip"));
    EXPECT_EQ(files.size("m00.bin"), 0u);
    // Each skipped archive is named once, with the reason.
    EXPECT_NE(log.find("DataFiles - archive ./notzip.zip skipped: not a zip archive\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("archive ./shared.zip skipped: members overlap\n"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("shared.zip"), log.rfind("shared.zip")) << log;
    EXPECT_EQ(log.find("folder.zip"), std::string::npos) << log;

    // The same stream listed once is a good archive.
    writeFile("single.zip", sharedStreamZip(std::string(1 << 16, 'z'), 1));
    auto single = ZipArchive::open("single.zip");
    ASSERT_TRUE(single);
    EXPECT_EQ(single->readableSize(0), 1u << 16);
}

TEST_F(DataFilesTest, DeclaredSizesMustFitTheData) {
    // About 120 bytes declaring a 1 GiB member, and a stored member whose two
    // sizes differ: neither may be allocated at its declared size.
    makeZip("bomb.zip", {{"bomb.bin", "x"}});
    patchRecords("bomb.zip", 0x02014b50, 24, 1u << 30);
    patchRecords("bomb.zip", 0x04034b50, 22, 1u << 30);
    makeZip("stored.zip", {{"stored.bin", "stored bytes", "[2020,1,1,0,0,0]", true}});
    patchRecords("stored.zip", 0x02014b50, 24, 618000000);
    patchRecords("stored.zip", 0x04034b50, 22, 618000000);
    // Zeros compress about as far as deflate goes: still readable.
    const std::string zeros(1 << 20, '\0');
    makeZip("zeros.zip", {{"zeros.bin", zeros}});

    const std::uint64_t before = testsupport::peakResident();
    testing::internal::CaptureStderr();
    EXPECT_EQ(dataFileSize("bomb.bin"), 0u);
    EXPECT_EQ(contents("bomb.bin"), "<missing>");
    EXPECT_EQ(contents("stored.bin"), "<missing>");
    EXPECT_TRUE(contents("zeros.bin") == zeros);
    std::string log = testing::internal::GetCapturedStderr();
    ASSERT_GT(before, 0u);
    EXPECT_LT(testsupport::peakResident() - before, std::uint64_t(64) << 20);

    EXPECT_NE(log.find("bomb.bin in ./bomb.zip: declares more than its compressed data can hold"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("stored.bin in ./stored.zip: stored sizes differ"), std::string::npos)
        << log;
    // Refused members are reported once, when the archive is indexed.
    EXPECT_EQ(log.find("bomb.bin in"), log.rfind("bomb.bin in")) << log;
}

}  // namespace
