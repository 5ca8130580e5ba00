#include "cli/command_output.hpp"

#include "link/log_file.hpp"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace merolan {

std::streamsize DescriptorBuffer::xsputn(const char *text, std::streamsize size)
{
    std::streamsize written = 0;
    while (error_ == 0 && written < size) {
#ifdef _WIN32
        const int chunk = _write(descriptor_, text + written, static_cast<unsigned>(size - written));
#else
        const ssize_t chunk = ::write(descriptor_, text + written, static_cast<std::size_t>(size - written));
#endif
        if (chunk > 0) {
            written += chunk;
            continue;
        }
        if (chunk < 0 && errno == EINTR)
            continue;
#ifndef _WIN32
        // A descriptor inherited in non-blocking mode takes more once the reader has caught up.
        if (chunk < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd ready{descriptor_, POLLOUT, 0};
            if (::poll(&ready, 1, -1) >= 0 || errno == EINTR)
                continue;
        }
#endif
        error_ = chunk < 0 ? errno : EIO;
    }
    return written;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::string writeFailureCause(int error)
{
    switch (error) {
    case 0:
        return "the write failed";
    case EBADF:
        return "it is closed";
    default:
        return writeCause(error).toStdString();
    }
}

void tell(CliContext &cli, std::string_view command, std::string_view message)
{
    cli.err << "merolan-cli" << (command.empty() ? "" : " ") << command << ": " << message
            << (message.ends_with('.') ? "\n" : ".\n");
}

void tell(CliContext &cli, std::string_view command, std::string_view what, const Failure &failure)
{
    // "The file ... was not saved: ..." reads on after the colon with a small letter.
    std::string cause = failure.message;
    if (cause.starts_with("The "))
        cause[0] = 't';
    tell(cli, command, std::string(what) + ": " + cause);
}

std::string parserProblem(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString &name = unknown.constFirst();
        return (name.size() == 1 ? "-" : "--") + name.toStdString() + ": there is no such option";
    }
    // The parser's other two complaints name the option as typed: "Missing value after '--port'."
    // and "Unexpected value after '--paced'.".
    const QString text = parser.errorText();
    const qsizetype open = text.indexOf(u'\'');
    const qsizetype close = text.lastIndexOf(u'\'');
    if (open >= 0 && close > open) {
        const std::string option = text.mid(open + 1, close - open - 1).toStdString();
        if (text.startsWith(QLatin1String("Missing value")))
            return option + ": a value must follow it";
        if (text.startsWith(QLatin1String("Unexpected value")))
            return option + ": it takes no value";
    }
    return text.toStdString();
}

std::optional<std::string> outputProblem(const CliContext &cli)
{
    const int error = cli.outError ? cli.outError() : 0;
    if (cli.out || error == EPIPE)
        return std::nullopt;
    return "cannot write to standard output: " + writeFailureCause(error);
}

int endOutput(CliContext &cli, std::string_view command, int status)
{
    cli.out.flush();
    const std::optional<std::string> problem = outputProblem(cli);
    if (!problem)
        return status;
    tell(cli, command, *problem);
    return status == kExitDone ? kExitFailed : status;
}

} // namespace merolan
