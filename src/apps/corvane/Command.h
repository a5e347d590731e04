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

// JSON text of a byte string: valid UTF-8 passes through, other bytes become \u00XX
// escapes of their Latin-1 reading so that no output line is ever broken.
std::string jsonString(const std::string& bytes);

} // namespace corvane::cli
