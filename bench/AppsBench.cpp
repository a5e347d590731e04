// SPDX-License-Identifier: GPL-3.0-or-later
// Times `corvane apps` over a generated home: 200 Flatpak applications in the user's
// installation and 50 AppImages in ~/Applications, warm cache, median of the runs.
// Usage: apps_bench [runs]   (default 9; the corvane program next to this one is timed)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void makeDirs(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/')
            ::mkdir(path.substr(0, i).c_str(), 0755);
}

bool writeFile(const std::string& path, const std::string& bytes)
{
    makeDirs(path.substr(0, path.rfind('/')));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string readFile(const std::string& path)
{
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

void makeFlatpak(const std::string& installation, int i)
{
    const std::string id = "org.bench.App" + std::to_string(i);
    const std::string deploy = installation + "/app/" + id;
    const std::string commit = deploy + "/x86_64/stable/c0ffee";
    writeFile(commit + "/metadata", "[Application]\nname=" + id + "\nruntime=org.bench.Platform/x86_64/1\n");
    writeFile(commit + "/export/share/applications/" + id + ".desktop",
              "[Desktop Entry]\nType=Application\nName=App " + std::to_string(i) + "\nName[de]=Programm " +
                  std::to_string(i) + "\nIcon=" + id + "\nExec=app\n");
    writeFile(commit + "/files/share/metainfo/" + id + ".metainfo.xml",
              "<?xml version=\"1.0\"?>\n<component type=\"desktop-application\"><id>" + id +
                  "</id><name>App</name><releases><release version=\"1." + std::to_string(i) +
                  "\"/></releases></component>\n");
    for (int f = 0; f < 20; ++f)
        writeFile(commit + "/files/lib/part" + std::to_string(f), std::string(4096, 'x'));
    ::symlink("c0ffee", (deploy + "/x86_64/stable/active").c_str());
    ::symlink("x86_64/stable", (deploy + "/current").c_str());
}

// One type-2 image: /bin/true cut at its section header table's end, marked, with a
// squashfs payload holding a desktop file, an icon and some content.
std::string makeImage(const std::string& scratch)
{
    std::string elf = readFile("/bin/true");
    uint64_t shoff = 0;
    uint16_t shentsize = 0, shnum = 0;
    std::memcpy(&shoff, elf.data() + 0x28, 8);
    std::memcpy(&shentsize, elf.data() + 0x3a, 2);
    std::memcpy(&shnum, elf.data() + 0x3c, 2);
    elf.resize(shoff + uint64_t(shentsize) * shnum);
    elf.replace(8, 3, std::string("AI\x02", 3));
    const std::string tree = scratch + "/payload";
    writeFile(tree + "/org.bench.Image.desktop",
              "[Desktop Entry]\nType=Application\nName=Image\nIcon=image\nX-AppImage-Version=2.0\n");
    writeFile(tree + "/image.png", "\x89PNG\r\n\x1a\n");
    for (int f = 0; f < 50; ++f)
        writeFile(tree + "/usr/lib/lib" + std::to_string(f) + ".so", std::string(20000, char('a' + f % 26)));
    const std::string cmd = "mksquashfs '" + tree + "' '" + scratch + "/p.sqfs' -quiet -noappend -all-root >/dev/null";
    if (std::system(cmd.c_str()) != 0)
        return {};
    return elf + readFile(scratch + "/p.sqfs");
}

double runOnce(const std::string& corvane, const std::string& home)
{
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("FLATPAK_USER_DIR");
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execl(corvane.c_str(), corvane.c_str(), "apps", "--root", (home + "/../root").c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? s : -1;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::string self = argv[0];
    const std::string corvane = self.substr(0, self.rfind('/') + 1) + "corvane";
    char tmpl[] = "/tmp/corvane-apps-bench-XXXXXX";
    if (!::mkdtemp(tmpl))
        return 2;
    const std::string scratch = tmpl;
    const std::string home = scratch + "/home";
    makeDirs(scratch + "/root");
    for (int i = 0; i < 200; ++i)
        makeFlatpak(home + "/.local/share/flatpak", i);
    const std::string image = makeImage(scratch);
    if (image.empty()) {
        std::fprintf(stderr, "apps_bench: mksquashfs failed\n");
        return 2;
    }
    for (int i = 0; i < 50; ++i)
        writeFile(home + "/Applications/Tool" + std::to_string(i) + ".AppImage", image);

    if (runOnce(corvane, home) < 0) { // warm-up, and a check that it works
        std::fprintf(stderr, "apps_bench: %s apps failed\n", corvane.c_str());
        return 2;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(runOnce(corvane, home));
    std::sort(times.begin(), times.end());
    std::printf("corvane apps: 200 Flatpak + 50 AppImages (%zu-byte images), warm, median of %d: %.3f s "
                "(min %.3f, max %.3f)\n",
                image.size(), runs, times[times.size() / 2], times.front(), times.back());
    std::system(("rm -rf '" + scratch + "'").c_str());
    return 0;
}
