#pragma once

#include "cli/cli_context.hpp"
#include "core/base/failure.hpp"

#include <QCommandLineParser>

#include <optional>
#include <streambuf>
#include <string>
#include <string_view>

// How every command of the tool speaks: its messages in one style, and its output checked.
namespace merolan {

// Standard output without a buffer of its own: each write goes to the descriptor at once, so a
// failure shows at the write that met it, with its cause kept for the message.
class DescriptorBuffer : public std::streambuf
{
public:
    explicit DescriptorBuffer(int descriptor) : descriptor_(descriptor) {}
    // The errno of the first write that failed; 0 while none did.
    int error() const { return error_; }

protected:
    std::streamsize xsputn(const char *text, std::streamsize size) override;
    int_type overflow(int_type c) override;

private:
    int descriptor_;
    int error_ = 0;
};

// Why a write failed, in plain words without a full stop ("no space is left on the disk").
std::string writeFailureCause(int error);

// Every message: "merolan-cli COMMAND: WHAT: CAUSE." on one line of the error stream, where WHAT
// names the option, field, file or device and what could not be done with it, and CAUSE says why.
// `message` is "WHAT: CAUSE"; the full stop is added when missing.
void tell(CliContext &cli, std::string_view command, std::string_view message);
// A failure of the core says what went wrong with which file, and why, as a sentence; it becomes
// the cause of `what` ("cannot write the settings").
void tell(CliContext &cli, std::string_view command, std::string_view what, const Failure &failure);

// A line QCommandLineParser did not take, as "WHAT: CAUSE" ("--bogus: there is no such option").
std::string parserProblem(const QCommandLineParser &parser);

// How a command that printed ends: `status` once all output is out. A reader that went away ("|
// head -1") has what it wanted, a quiet end; any other failed write is told, and the status is
// kExitFailed unless it was a failure already.
int endOutput(CliContext &cli, std::string_view command, int status);

// Why the output written so far did not all go out, as "WHAT: CAUSE"; none when it did, or when
// its reader went away.
std::optional<std::string> outputProblem(const CliContext &cli);

} // namespace merolan
