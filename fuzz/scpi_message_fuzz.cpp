#include "core/scpi/scpi_lines.hpp"
#include "core/scpi/scpi_meter.hpp"
#include "core/scpi/scpi_parser.hpp"
#include "core/scpi/scpi_values.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <variant>

using namespace merolan::scpi;

namespace {

const char *const kTree[] = {
    "MEASure[:SCALar][:POWer][:AC]?",
    "*IDN?",
    "*ESE",
    "*ESE?",
    "*RST",
    "SYSTem:ERRor[:NEXT]?",
    "[SENSe:]CORRection:GAIN2[:INPut][:MAGNitude]",
    "[SENSe:]CORRection:GAIN2[:INPut][:MAGNitude]?",
    "INITiate:CONTinuous",
    "INITiate[:IMMediate]",
    "UNIT:POWer",
    "SENSe[1]:AVERage:COUNt",
};
constexpr int kCommands = static_cast<int>(std::size(kTree));

const CommandTable &tree()
{
    static const CommandTable table = [] {
        CommandTable t;
        int id = 0;
        for (const char *pattern : kTree)
            if (!t.add(pattern, id++))
                std::abort();
        return t;
    }();
    return table;
}

bool isAnswerLine(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

bool isUpperWord(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; });
}

void checkParameter(const Parameter &p)
{
    switch (p.kind) {
    case ParameterKind::Number:
        if (!std::isfinite(p.number) || !isUpperWord(p.suffix) || !isAnswerLine(nr3Text(p.number)))
            std::abort();
        break;
    case ParameterKind::Word:
        if (p.text.empty() || p.text[0] < 'A' || p.text[0] > 'Z' || !isUpperWord(p.text))
            std::abort();
        break;
    case ParameterKind::String:
        if (!isAnswerLine(quotedText(p.text)))
            std::abort();
        break;
    }
    constexpr Choice<double> units[] = {{"DBM", 1}, {"W", 1e30}};
    toBoolean(p);
    const std::variant<double, Error> value = toNumber(p, units);
    if (const double *number = std::get_if<double>(&value); number && !std::isfinite(*number))
        std::abort();
}

// Pieces of the messages the tree takes. A run that starts from no corpus seldom spells a whole
// header by chance, so each input is also read as a list of these, one a byte, which reaches the
// path rule, optional nodes, suffixes and every kind of parameter within seconds.
const std::string_view kPieces[] = {
    "MEAS",     ":SCAL", ":POW",  ":AC",     "measure:power",
    "SYST:ERR", ":NEXT", "SENS:", "SENS1:",  "SENS2:",
    "CORR:",    "GAIN2", "GAIN",  ":INP",    ":MAGN",
    "INIT",     "INIT:", "CONT",  ":IMM",    "UNIT:POW",
    "AVER:",    "COUN",  "*ESE",  "*IDN",    "*RST",
    ":",        ";",     "?",     " ",       ",",
    "\t",       "\r",    "5",     "-3.5E-1", ".5",
    "1E400",    "DBM",   "ON",    "'a''b'",  "\"",
    "#H1F",     "\xC4",  "CSET2", ":CAT",    "'../a'",
};

std::string spelled(std::string_view bytes)
{
    std::string message;
    for (const char c : bytes)
        message += kPieces[static_cast<unsigned char>(c) % std::size(kPieces)];
    return message;
}

void check(std::string_view message)
{
    const ParsedMessage parsed = parseMessage(tree(), message);
    const auto separators = static_cast<std::size_t>(std::count(message.begin(), message.end(), ';'));
    if (parsed.units.size() > separators + 1)
        std::abort();
    for (const MessageUnit &unit : parsed.units) {
        if (unit.command < 0 || unit.command >= kCommands)
            std::abort();
        for (const Parameter &p : unit.parameters)
            checkParameter(p);
    }
    if (parsed.error) {
        const Error e = *parsed.error;
        if (e != Error::Syntax && e != Error::InvalidSeparator && e != Error::DataType && e != Error::UndefinedHeader &&
            e != Error::DataOutOfRange)
            std::abort();
        ErrorQueue queue;
        queue.push(e, message);
        // The description stays within 255 characters; its quotes are doubled in the answer.
        const std::string line = queue.pop();
        if (!isAnswerLine(line) || line.size() > std::string_view("-113,\"\"").size() + 2 * 255 || queue.count() != 0)
            std::abort();
    }
}

// The whole instrument behind a connection: the bytes cut into messages and run, each wait
// answered by a reading or by its failure in turn. Whatever comes in, what goes out is lines of
// plain ASCII, and every wait ends.
void serve(std::string_view bytes)
{
    merolan::Instrument instrument(merolan::setupFromSettings(merolan::factorySettings(), '.'),
                                   bytes.size() % 2 == 0 ? merolan::Instrument::Control::WindowInCharge
                                                         : merolan::Instrument::Control::ClientsMayChange);
    // No table is ever found below a file, so whatever a client names opens nothing of the host.
    MeterShared shared{instrument, "/dev/null/tables"};
    MeterConnection connection(shared);
    MessageSplitter splitter;
    merolan::ReadingRecord reading;
    reading.levelDbm = -30;
    reading.powerW = 1e-6;
    bool answer = true;
    for (const MessageEvent &event : splitter.feed(bytes)) {
        Reply reply =
            event.kind == MessageEvent::Kind::Overrun ? connection.takeOverrun() : connection.takeMessage(event.text);
        std::string output = reply.text;
        for (int waits = 0; reply.wait != ReadingWait::None; ++waits) {
            if (waits > 1000)
                std::abort();
            reply = (answer = !answer) ? connection.answerWait(reading) : connection.failWait("no answer");
            output += reply.text;
        }
        if (connection.waits() || (!output.empty() && output.back() != '\n'))
            std::abort();
        std::string_view lines(output);
        while (!lines.empty()) {
            const std::size_t end = lines.find('\n');
            if (!isAnswerLine(lines.substr(0, end)))
                std::abort();
            lines.remove_prefix(end + 1);
        }
    }
}

} // namespace

// Any bytes a client sends parse into commands of the table followed at most by one of the
// parser's errors; the values they carry and the error's answer line stay plain ASCII.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    check(bytes);
    const std::string message = spelled(bytes);
    check(message);
    serve(message + '\n' + std::string(bytes));
    return 0;
}
