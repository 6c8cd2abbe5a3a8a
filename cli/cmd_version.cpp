// vinra --version: the version of the program whose files it reads and writes.
// Not a command of its own but a flag of the tool, set through the same
// registration every command uses; it adds no subcommand, so nothing runs.
#include <string>

#include "cli/command.h"
#include "core/system_document.h"

namespace vinra::cli {
namespace {

Registrar reg("--version", [](CLI::App& app) -> RunFn {
    app.set_version_flag("--version", std::string("vinra ") + core::kProgramVersion, "Print the version and exit");
    return {};
});

}  // namespace
}  // namespace vinra::cli
