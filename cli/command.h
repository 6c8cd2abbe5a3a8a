#pragma once
// Every command of the `vinra` tool lives in its own file and registers itself
// with a static Registrar:
//
//   static vinra::cli::Registrar reg("info", [](CLI::App& app) { ... return run; });
//
// The set-up function adds its subcommand to app and returns the function that
// runs it once parsing succeeded. The run function returns the exit code; on
// failure it prints one line on stderr naming the file and the problem
// (throwing CommandError does that for you).
#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace vinra::core {
class TVinraFile;
struct PoolSettings;
}  // namespace vinra::core
namespace vinra::reduction {
class TRowGeneration;
struct GenerationInput;
}  // namespace vinra::reduction

namespace vinra::cli {

using RunFn = std::function<int()>;
using SetupFn = std::function<RunFn(CLI::App& app)>;

struct CommandEntry {
    std::string name;
    SetupFn setup;
};

std::vector<CommandEntry>& Commands();

struct Registrar {
    Registrar(std::string name, SetupFn setup) { Commands().push_back({std::move(name), std::move(setup)}); }
};

// Thrown by a command to end with exit code 1 and the message on stderr.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a system file; a file that cannot be read ends the command with its message.
core::TVinraFile LoadSystem(const std::string& file);
// The settings of the system's pool from National.Ini in the data folder
// (VINRA_HOME honoured); the built-in defaults when there is none.
core::PoolSettings PoolOfSystem(const core::TVinraFile& doc);

// Starts the generation worker and waits for it: Ctrl+C cancels it, progress
// is shown on stderr when that is a terminal. Returns false when interrupted.
// The worker's own error ends the command naming the file.
// A small run (see SmallRun) is done on the calling thread instead.
bool RunToEnd(reduction::TRowGeneration& run, const std::string& file, bool small = false);

// True for a run that ends within milliseconds: an expansion, filter or
// warranty over a small frame and few rows (never a random run, whose end is
// open). Starting a worker and waking up when it ends costs such a command
// more than its work when the machine is busy.
bool SmallRun(const reduction::GenerationInput& in);

// True when stderr is a terminal (progress is shown only then).
bool StderrIsTerminal();

// Set by Ctrl+C (SIGINT) once a command calls CatchInterrupt(); long commands
// hand it to the engine as its cancel flag and finish cleanly.
std::atomic<bool>& InterruptFlag();
void CatchInterrupt();

}  // namespace vinra::cli
