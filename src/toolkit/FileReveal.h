#pragma once

#include <string>

namespace corvane {

// Shows a file selected in its folder in the desktop's file manager, without waiting for
// it: the FileManager1 service is asked first, and when nothing answers, the folder is
// opened instead.
class FileReveal
{
public:
    static void reveal(const std::string& path);
};

} // namespace corvane
