// SPDX-License-Identifier: GPL-3.0-or-later
// The runtime of a test AppImage: leaves a file behind whenever anything runs it, so a
// test can tell that reading an image never ran it.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int, char** argv)
{
    if (const char* marker = std::getenv("CORVANE_MARKER"))
        if (FILE* f = std::fopen(marker, "w"))
            std::fclose(f);
    if (FILE* f = std::fopen((std::string(argv[0]) + ".ran").c_str(), "w"))
        std::fclose(f);
    return 0;
}
