#include "core/scpi/scpi_parser.hpp"

#include "core/base/ascii.hpp"
#include "core/base/text_format.hpp"

namespace merolan::scpi {
namespace {

// Walks the message once from left to right; nothing steps back, so no input costs more than
// its length.
class Reader
{
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ == text_.size(); }
    bool at(char c) const { return !atEnd() && text_[pos_] == c; }
    bool atBlank() const { return at(' ') || at('\t'); }
    bool atUnitEnd() const { return atEnd() || at(';'); }
    char peek() const { return text_[pos_]; }
    std::string_view rest() const { return text_.substr(pos_); }
    std::size_t position() const { return pos_; }
    std::string_view since(std::size_t start) const { return text_.substr(start, pos_ - start); }

    char next() { return text_[pos_++]; }
    void skip(std::size_t count) { pos_ += count; }
    bool take(char c)
    {
        if (!at(c))
            return false;
        ++pos_;
        return true;
    }
    void skipBlanks()
    {
        while (atBlank())
            ++pos_;
    }
    // A letter followed by letters, digits and '_'; empty when no letter stands here.
    std::string_view mnemonic()
    {
        const std::size_t start = pos_;
        if (!atEnd() && isAsciiLetter(peek()))
            while (!atEnd() && (isAsciiLetter(peek()) || isAsciiDigit(peek()) || peek() == '_'))
                ++pos_;
        return since(start);
    }
    std::string_view letters()
    {
        const std::size_t start = pos_;
        while (!atEnd() && isAsciiLetter(peek()))
            ++pos_;
        return since(start);
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

struct Header {
    bool common = false;
    bool absolute = false; // opened with ':'
    bool query = false;
    std::vector<std::string_view> mnemonics;
};

std::optional<Error> readHeader(Reader &in, Header &header)
{
    if (in.at('*')) {
        const std::size_t start = in.position();
        in.skip(1);
        if (in.mnemonic().empty())
            return Error::Syntax;
        header.common = true;
        header.mnemonics.push_back(in.since(start));
    } else {
        header.absolute = in.take(':');
        do {
            const std::string_view mnemonic = in.mnemonic();
            if (mnemonic.empty())
                return Error::Syntax;
            header.mnemonics.push_back(mnemonic);
        } while (in.take(':'));
    }
    header.query = in.take('?');
    if (!in.atUnitEnd() && !in.atBlank())
        return Error::InvalidSeparator;
    return std::nullopt;
}

// The command a header names, following and then moving the path of the message.
std::optional<int> lookUp(const CommandTable &commands, const Header &header, std::vector<std::string_view> &path)
{
    if (header.common)
        return commands.find(header.mnemonics, header.query);
    const auto moveTo = [&path](const std::vector<std::string_view> &matched) {
        path.assign(matched.begin(), matched.end() - 1);
    };
    if (!header.absolute && !path.empty()) {
        std::vector<std::string_view> continued = path;
        continued.insert(continued.end(), header.mnemonics.begin(), header.mnemonics.end());
        if (const std::optional<int> id = commands.find(continued, header.query)) {
            moveTo(continued);
            return id;
        }
    }
    const std::optional<int> id = commands.find(header.mnemonics, header.query);
    if (id)
        moveTo(header.mnemonics);
    return id;
}

std::optional<Error> readString(Reader &in, Parameter &parameter)
{
    const char quote = in.next();
    std::string text;
    while (!in.atEnd()) {
        const char c = in.next();
        if (c == quote && !in.take(quote)) {
            parameter.kind = ParameterKind::String;
            parameter.text = std::move(text);
            return std::nullopt;
        }
        text.push_back(c);
    }
    return Error::Syntax;
}

std::optional<Error> readNumber(Reader &in, Parameter &parameter)
{
    const LeadingNumber number = readLeadingNumber(in.rest());
    if (number.length == 0)
        return Error::Syntax;
    if (!number.value)
        return Error::DataOutOfRange;
    in.skip(number.length);
    in.skipBlanks();
    parameter.kind = ParameterKind::Number;
    parameter.number = *number.value;
    parameter.suffix = asciiUpperCased(in.letters());
    return std::nullopt;
}

std::optional<Error> readParameter(Reader &in, Parameter &parameter)
{
    if (in.atEnd())
        return Error::Syntax;
    const char c = in.peek();
    if (c == '"' || c == '\'')
        return readString(in, parameter);
    if (isAsciiDigit(c) || c == '+' || c == '-' || c == '.')
        return readNumber(in, parameter);
    if (isAsciiLetter(c)) {
        parameter.kind = ParameterKind::Word;
        parameter.text = asciiUpperCased(in.mnemonic());
        return std::nullopt;
    }
    return c == '#' ? Error::DataType : Error::Syntax;
}

std::optional<Error> readParameters(Reader &in, std::vector<Parameter> &parameters)
{
    in.skipBlanks();
    if (in.atUnitEnd())
        return std::nullopt;
    while (true) {
        Parameter parameter;
        if (const std::optional<Error> error = readParameter(in, parameter))
            return error;
        parameters.push_back(std::move(parameter));
        in.skipBlanks();
        if (in.atUnitEnd())
            return std::nullopt;
        if (!in.take(','))
            return Error::InvalidSeparator;
        in.skipBlanks();
    }
}

std::optional<Error> readUnit(const CommandTable &commands, Reader &in, std::vector<std::string_view> &path,
                              MessageUnit &unit)
{
    Header header;
    if (const std::optional<Error> error = readHeader(in, header))
        return error;
    const std::optional<int> id = lookUp(commands, header, path);
    if (!id)
        return Error::UndefinedHeader;
    unit.command = *id;
    unit.query = header.query;
    return readParameters(in, unit.parameters);
}

} // namespace

ParsedMessage parseMessage(const CommandTable &commands, std::string_view message)
{
    if (message.ends_with('\r'))
        message.remove_suffix(1);
    Reader in(message);
    ParsedMessage parsed;
    std::vector<std::string_view> path;
    in.skipBlanks();
    while (!in.atEnd()) {
        MessageUnit unit;
        if (const std::optional<Error> error = readUnit(commands, in, path, unit)) {
            parsed.error = error;
            break;
        }
        parsed.units.push_back(std::move(unit));
        in.take(';');
        in.skipBlanks();
    }
    return parsed;
}

} // namespace merolan::scpi
