// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the tree the search benchmarks run on: a metadata-heavy tree of small files
// (hidden names, "__MACOSX" folders, symbolic links and loops, names with spaces,
// newlines, leading dashes, shell characters and invalid UTF-8), plus a content set of
// files from 1 KB to 50 MB of which about a fifth are copies, a few pairs equal in the
// sampled blocks but different elsewhere, and about 40 files of at least 10,000,000
// bytes. Large files are sparse: only their head, the sampled blocks and a few spots
// hold data, so the corpus is cheap on disk while every tool still reads full lengths.
//
// usage: corvane_make_search_corpus DIR [ENTRIES=200000] [CONTENT_FILES=3000]

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::mt19937_64 rng(20240611);

void fail(const std::string& what)
{
    std::fprintf(stderr, "make_search_corpus: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(2);
}

void mkdirs(const std::string& path)
{
    std::string partial;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || (path[i] == '/' && i > 0)) {
            partial = path.substr(0, i);
            if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
                fail("mkdir " + partial);
        }
    }
}

std::string randomBytes(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i += 8) {
        const uint64_t v = rng();
        std::memcpy(&s[i], &v, std::min<size_t>(8, n - i));
    }
    return s;
}

void writeAt(int fd, const std::string& data, off_t offset)
{
    if (::pwrite(fd, data.data(), data.size(), offset) != static_cast<ssize_t>(data.size()))
        fail("pwrite");
}

struct Content
{
    uint64_t size;
    std::vector<std::pair<off_t, std::string>> chunks; // data; the rest is a hole
};

// A file of `size` bytes with data where any tool might look first and where the
// sampled fingerprint looks, holes elsewhere.
Content makeContent(uint64_t size)
{
    Content c{size, {}};
    if (size <= 256 * 1024) {
        c.chunks.emplace_back(0, randomBytes(size));
        return c;
    }
    c.chunks.emplace_back(0, randomBytes(65536));
    for (uint64_t k = 1; k < 3; ++k)
        c.chunks.emplace_back(static_cast<off_t>(k * (size / 3)), randomBytes(4096));
    for (int k = 0; k < 4; ++k)
        c.chunks.emplace_back(static_cast<off_t>(rng() % (size - 4096)), randomBytes(4096));
    c.chunks.emplace_back(static_cast<off_t>(size - 4096), randomBytes(4096));
    return c;
}

void writeContent(const std::string& path, const Content& c)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        fail("open " + path);
    if (::ftruncate(fd, static_cast<off_t>(c.size)) != 0)
        fail("ftruncate " + path);
    for (const auto& [offset, data] : c.chunks)
        writeAt(fd, data, offset);
    ::close(fd);
}

const char* kOddNames[] = {
    "with space", "new\nline", "-rf", "--help", "$(touch PWNED)", "semi;colon", "star*", "quote'\"",
    "bad\xff\xfeutf8", "tab\there", "\x1b[31mred", "back\\slash",
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [ENTRIES=200000] [CONTENT_FILES=3000]\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    const long entries = argc > 2 ? std::atol(argv[2]) : 200000;
    const long contentFiles = argc > 3 ? std::atol(argv[3]) : 3000;
    mkdirs(root);

    // Metadata-heavy part: 100 top folders x 20 sub-folders x files below 1 KB.
    long made = 0;
    std::vector<std::string> folders;
    const long perFolder = std::max(1L, entries / 2000);
    for (int top = 0; top < 100 && made < entries; ++top) {
        for (int sub = 0; sub < 20 && made < entries; ++sub) {
            std::string folder = root + "/meta/t" + std::to_string(top) + "/s" + std::to_string(sub);
            if (sub % 7 == 3)
                folder = root + "/meta/t" + std::to_string(top) + "/.hidden" + std::to_string(sub);
            if (sub % 9 == 4)
                folder = root + "/meta/t" + std::to_string(top) + "/__MACOSX/s" + std::to_string(sub);
            mkdirs(folder);
            folders.push_back(folder);
            made += 2;
            for (long i = 0; i < perFolder && made < entries; ++i, ++made) {
                std::string name = "f" + std::to_string(i) + ".txt";
                if (i % 25 == 1)
                    name = "." + name;
                if (i % 97 == 5)
                    name = std::string(kOddNames[(i / 97) % (sizeof kOddNames / sizeof *kOddNames)]) + std::to_string(i);
                const std::string path = folder + "/" + name;
                if (i % 50 == 7) {
                    const char* targets[] = {"..", ".", "/", "f0.txt", "missing-target"};
                    if (::symlink(targets[(i / 50) % 5], path.c_str()) != 0 && errno != EEXIST)
                        fail("symlink " + path);
                    continue;
                }
                if (i % 40 == 9) {
                    mkdirs(path + ".d");
                    continue;
                }
                const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (fd < 0)
                    fail("open " + path);
                const size_t size = rng() % 1000; // below the duplicate floor of 1024 bytes
                if (size) {
                    const std::string data = randomBytes(size);
                    writeAt(fd, data, 0);
                }
                ::close(fd);
            }
        }
    }

    // Content part: sizes log-uniform from 1 KB to 50 MB; about 20% are copies placed
    // elsewhere; a few sampled-equal pairs; about 40 files of at least 10,000,000 bytes.
    const std::string content = root + "/content";
    std::vector<std::pair<std::string, Content>> originals;
    long written = 0, copies = 0, large = 0;
    const long wantCopies = contentFiles / 5;
    const long wantLarge = 40;
    for (long i = 0; written < contentFiles - wantCopies; ++i) {
        const std::string folder = content + "/c" + std::to_string(i % 60) + "/n" + std::to_string(i % 7);
        mkdirs(folder);
        uint64_t size;
        if (large < wantLarge && i % (std::max(1L, (contentFiles - wantCopies) / wantLarge)) == 0) {
            size = 10000000 + rng() % 40000000;
            ++large;
        } else {
            size = static_cast<uint64_t>(std::exp(std::log(1024.0) + (std::log(9999999.0) - std::log(1024.0)) *
                                                                        (rng() % 1000000) / 1e6));
        }
        Content c = makeContent(size);
        const std::string path = folder + "/file" + std::to_string(i) + ".bin";
        writeContent(path, c);
        originals.emplace_back(path, std::move(c));
        ++written;
    }
    for (long k = 0; k < wantCopies; ++k) {
        const auto& [path, c] = originals[rng() % originals.size()];
        const std::string folder = content + "/copies" + std::to_string(k % 10);
        mkdirs(folder);
        writeContent(folder + "/copy" + std::to_string(k) + ".bin", c);
        ++copies;
    }
    // Equal in the three sampled blocks, different elsewhere.
    for (int k = 0; k < 5; ++k) {
        Content c = makeContent(20000000 + static_cast<uint64_t>(k) * 1000);
        const std::string folder = content + "/sampled-twins";
        mkdirs(folder);
        writeContent(folder + "/a" + std::to_string(k), c);
        c.chunks.emplace_back(5000000, randomBytes(4096));
        writeContent(folder + "/b" + std::to_string(k), c);
    }
    std::printf("corpus %s: %ld metadata entries, %ld content files (%ld copies, %ld of >= 10000000 bytes), 5 sampled-equal pairs\n",
                root.c_str(), made, written + copies + 10, copies, large + 10);
    return 0;
}
