#include "core/scpi/scpi_parser.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

using namespace merolan::scpi;

namespace {

// A tree like the power meter's; a command's id is its row, its name stands in the results.
const std::pair<const char *, const char *> kTree[] = {
    {"MEASure[:SCALar][:POWer][:AC]?", "meas?"},
    {"*IDN?", "*idn?"},
    {"*ESE", "*ese"},
    {"*ESE?", "*ese?"},
    {"*RST", "*rst"},
    {"SYSTem:ERRor[:NEXT]?", "err?"},
    {"[SENSe:]CORRection:GAIN2[:INPut][:MAGNitude]", "gain"},
    {"[SENSe:]CORRection:GAIN2[:INPut][:MAGNitude]?", "gain?"},
    {"INITiate:CONTinuous", "cont"},
    {"INITiate:CONTinuous?", "cont?"},
    {"INITiate[:IMMediate]", "init"},
    {"UNIT:POWer", "unit"},
    {"UNIT:POWer?", "unit?"},
    {"SENSe[1]:AVERage:COUNt", "count"},
    {"SENSe[1]:AVERage:COUNt?", "count?"},
};

const CommandTable &tree()
{
    static const CommandTable table = [] {
        CommandTable t;
        int id = 0;
        for (auto [pattern, name] : kTree)
            EXPECT_TRUE(t.add(pattern, id++)) << pattern;
        return t;
    }();
    return table;
}

std::string describe(const Parameter &p)
{
    std::ostringstream out;
    switch (p.kind) {
    case ParameterKind::Number:
        out << p.number << p.suffix;
        break;
    case ParameterKind::Word:
        out << p.text;
        break;
    case ParameterKind::String:
        out << '\'' << p.text << '\'';
        break;
    }
    return out.str();
}

// "gain 3DB; gain?; -113": each unit's name and parameters, then the error that ended the message.
std::string parse(std::string_view message)
{
    const ParsedMessage parsed = parseMessage(tree(), message);
    std::string out;
    for (const MessageUnit &unit : parsed.units) {
        out += out.empty() ? "" : "; ";
        out += kTree[unit.command].second;
        for (std::size_t i = 0; i < unit.parameters.size(); ++i)
            out += (i == 0 ? " " : ",") + describe(unit.parameters[i]);
    }
    if (parsed.error)
        out += (out.empty() ? "" : "; ") + std::to_string(static_cast<int>(*parsed.error));
    return out;
}

using Cases = std::pair<std::string, const char *>[];

} // namespace

TEST(ScpiParser, HeadersTakeShortAndLongFormsInAnyCaseAndLeaveOutOptionalNodes)
{
    const Cases cases = {
        {"MEAS?", "meas?"},
        {"measure?", "meas?"},
        {"MeAsUrE:sCaL?", "meas?"},
        {"MEAS:AC?", "meas?"},
        {"MEAS:SCAL:POW:AC?", "meas?"},
        {"meas:scalar:power?", "meas?"},
        {"MEASU?", "-113"},
        {"MEA?", "-113"},
        {"MEAS:AC:POW?", "-113"},
        {"MEAS", "-113"},
        {"syst:err?", "err?"},
        {"SYSTEM:ERROR:NEXT?", "err?"},
        {"*idn?", "*idn?"},
        {"*ESE 5", "*ese 5"},
        {"*ese?", "*ese?"},
        {"INIT", "init"},
        {"initiate:immediate", "init"},
        {":INIT:CONT?", "cont?"},
        {"INIT:CONT:FOO ON", "-113"},
    };
    for (const auto &[message, expected] : cases)
        EXPECT_EQ(parse(message), expected) << message;
}

TEST(ScpiParser, SuffixesMustBeAsTheTableWritesThem)
{
    const Cases cases = {
        {"CORR:GAIN2 3", "gain 3"},
        {"sens:corr:gain2:inp:magn 3", "gain 3"},
        {"CORR:GAIN 3", "-113"},
        {"CORR:GAIN1 3", "-113"},
        {"CORR:GAIN02 3", "-113"},
        {"CORR:GAIN2X 3", "-113"},
        {"SENS:AVER:COUN 4", "count 4"},
        {"SENS1:AVER:COUN 4", "count 4"},
        {"SENS2:AVER:COUN 4", "-113"},
        {"SENS1:CORR:GAIN2 3", "-113"},
        {"*ESE1 5", "-113"},
        {"INIT1", "-113"},
    };
    for (const auto &[message, expected] : cases)
        EXPECT_EQ(parse(message), expected) << message;
}

TEST(ScpiParser, UnitsContinueThePathOfTheCompoundHeaderBefore)
{
    const Cases cases = {
        {"SENS:CORR:GAIN2 3;GAIN2?", "gain 3; gain?"},
        {"CORR:GAIN2 3;GAIN2:INP?", "gain 3; gain?"},
        {"INIT:CONT ON;CONT?", "cont ON; cont?"},
        {"INIT:CONT ON;IMM", "cont ON; init"},
        // Common commands neither use nor move the path.
        {"INIT:CONT ON;*IDN?;CONT?", "cont ON; *idn?; cont?"},
        // A leading ':' starts from the root, and so does a header the path does not fit.
        {"INIT:CONT ON;:CONT?", "cont ON; -113"},
        {"INIT:CONT ON;UNIT:POW W;POW?", "cont ON; unit W; unit?"},
        {"SENS1:AVER:COUN 4;COUN?;:MEAS?", "count 4; count?; meas?"},
        // A single mnemonic leaves the path at the root.
        {"INIT;CONT?", "init; -113"},
    };
    for (const auto &[message, expected] : cases)
        EXPECT_EQ(parse(message), expected) << message;
}

TEST(ScpiParser, ParametersAreNumbersWordsOrStrings)
{
    const Cases cases = {
        {"*ESE 5", "*ese 5"},
        {"*ESE -3.5", "*ese -3.5"},
        {"*ESE +1.2E-3", "*ese 0.0012"},
        {"*ESE .5,5.", "*ese 0.5,5"},
        {"*ESE -30DBM", "*ese -30DBM"},
        {"*ESE 3 db", "*ese 3DB"},
        {"*ESE 1e3kHz", "*ese 1000KHZ"},
        {"*ESE on,Off , dbm,Max", "*ese ON,OFF,DBM,MAX"},
        {"*ESE \"a;b,c\";*RST", "*ese 'a;b,c'; *rst"},
        {"*ESE 'it''s',\"\"\"\"", "*ese 'it's','\"'"},
        {"*ESE '',\"\"", "*ese '',''"},
        {"*ESE\t5 ,\t6 ", "*ese 5,6"},
        {"MEAS? DEF,DEF", "meas? DEF,DEF"},
    };
    for (const auto &[message, expected] : cases)
        EXPECT_EQ(parse(message), expected) << message;
}

TEST(ScpiParser, AMessageHoldsUnitsSeparatedBySemicolons)
{
    const Cases cases = {
        {"", ""},
        {" \t ", ""},
        {"*RST;*ESE 5;MEAS?", "*rst; *ese 5; meas?"},
        {"  *RST ;\t*ESE 5 ; MEAS? ", "*rst; *ese 5; meas?"},
        {"*RST;", "*rst"},
        {"*IDN?\r", "*idn?"},
    };
    for (const auto &[message, expected] : cases)
        EXPECT_EQ(parse(message), expected) << message;
}

TEST(ScpiParser, TheFirstErrorEndsTheMessage)
{
    const Cases cases = {
        {"*RST;FOO;*IDN?", "*rst; -113"},
        {";", "-102"},
        {"*RST;;*IDN?", "*rst; -102"},
        {"MEAS:", "-102"},
        {"::MEAS?", "-102"},
        {"*", "-102"},
        {"?", "-102"},
        {"MEAS?:POW?", "-103"},
        {"*IDN?:FOO", "-103"},
        {"*ESE,5", "-103"},
        {"*ESE 5 6", "-103"},
        {"*ESE 1.2.3", "-103"},
        {"*ESE 5,,6", "-102"},
        {"*ESE 5,", "-102"},
        {"*ESE ,5", "-102"},
        {"*ESE +", "-102"},
        {"*ESE -.E3", "-102"},
        {"*ESE @", "-102"},
        {"*ESE \"open;*RST", "-102"},
        {"*ESE #H1F", "-104"},
        {"*ESE 1E400", "-222"},
        {"*ESE -1E-400", "-222"},
        {"*ESE 1" + std::string(400, '0'), "-222"},
        {"*IDN?\r\r", "-103"},
        {std::string("*IDN?\0", 6), "-103"},
        {"\xC4MEAS?", "-102"},
        {"MEAS\xC4?", "-103"},
    };
    for (const auto &[message, expected] : cases)
        EXPECT_EQ(parse(message), expected) << message;
}

TEST(ScpiParser, LongHostileRunsEndInAnError)
{
    std::string deep;
    std::string many;
    for (int i = 0; i < 1000; ++i) {
        deep += "MEAS:";
        many += "*RST;";
    }
    const Cases cases = {
        {std::string(4096, ';'), "-102"},           {std::string(4096, ':'), "-102"},
        {std::string(4096, '\0'), "-102"},          {deep + "AC?", "-113"},
        {"*ESE " + std::string(4096, '9'), "-222"}, {"*ESE '" + std::string(4096, ','), "-102"},
    };
    for (const auto &[message, expected] : cases)
        EXPECT_EQ(parse(message), expected) << message.substr(0, 10);
    EXPECT_EQ(parseMessage(tree(), many + "?").units.size(), 1000U);
}
