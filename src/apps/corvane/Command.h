// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace corvane::cli {

// Exit statuses shared by every subcommand: something found, nothing found, error.
inline constexpr int kFound = 0;
inline constexpr int kNothing = 1;
inline constexpr int kError = 2;

struct Command
{
    std::string name;
    std::string summary; // one line for the overall --help
    std::function<int(const std::vector<std::string>& args)> run;
};

// Subcommand files register themselves with a file-scope `static Registrar r{{...}};`.
struct Registrar
{
    explicit Registrar(Command command);
};

const std::vector<Command>& commands();

// JSON text of a byte string that gives the bytes back: well-formed UTF-8 passes through
// as text; each byte of an ill-formed sequence becomes a lone surrogate \udcXX, the
// convention of PEP 383, so that os.fsencode(json.loads(...)) in a UTF-8 locale returns
// the very bytes. A Latin-1 reading (\u00XX) would make "caf\xe9" and "caf\xc3\xa9" the
// same text, and a script deleting one would delete the other.
std::string jsonString(const std::string& bytes);

// A PATH argument made absolute from the working folder: the engines speak in absolute
// paths only.
std::string absolutePath(const std::string& path);
// The locale names are shown in: LC_ALL, LC_MESSAGES, LANG, else "C".
std::string environmentLocale();

// What every command's --help says about paths in its output.
extern const char* const kPathsInJsonHelp;

} // namespace corvane::cli
