#include "core/scpi/scpi_commands.hpp"

#include "core/base/ascii.hpp"

#include <array>

namespace merolan::scpi {
namespace {

// Compares what a client sent, in any case, with a form kept in upper case.
bool sameWord(std::string_view sent, std::string_view form)
{
    if (sent.size() != form.size())
        return false;
    for (std::size_t i = 0; i < sent.size(); ++i)
        if (asciiUpper(sent[i]) != form[i])
            return false;
    return true;
}

bool takePrefix(std::string_view &text, std::string_view prefix)
{
    if (!text.starts_with(prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

} // namespace

bool CommandTable::Keyword::accepts(std::string_view mnemonic) const
{
    std::size_t wordEnd = mnemonic.size();
    while (wordEnd > 0 && isAsciiDigit(mnemonic[wordEnd - 1]))
        --wordEnd;
    const std::string_view word = mnemonic.substr(0, wordEnd);
    const std::string_view digits = mnemonic.substr(wordEnd);
    if (!sameWord(word, shortForm) && !sameWord(word, longForm))
        return false;
    return digits == suffix || (suffixOptional && digits.empty());
}

bool CommandTable::Command::matches(std::span<const std::string_view> header) const
{
    if (header.size() > nodes.size())
        return false;
    // reached[i]: the nodes so far can take exactly the first i mnemonics. Trying each optional
    // node both ways keeps "A[:B]:B" matching "A:B", which taking the first fit would miss.
    std::array<bool, kMaxNodes + 1> reached{};
    reached[0] = true;
    for (const Node &node : nodes) {
        std::array<bool, kMaxNodes + 1> next{};
        for (std::size_t i = 0; i <= header.size(); ++i) {
            if (!reached[i])
                continue;
            if (node.optional)
                next[i] = true;
            if (i < header.size() && node.keyword.accepts(header[i]))
                next[i + 1] = true;
        }
        reached = next;
    }
    return reached[header.size()];
}

std::optional<CommandTable::Keyword> CommandTable::readKeyword(std::string_view &pattern)
{
    std::size_t shortEnd = 0;
    while (shortEnd < pattern.size() && isAsciiUpper(pattern[shortEnd]))
        ++shortEnd;
    if (shortEnd == 0)
        return std::nullopt;
    std::size_t longEnd = shortEnd;
    while (longEnd < pattern.size() && isAsciiLower(pattern[longEnd]))
        ++longEnd;
    std::size_t suffixEnd = longEnd;
    while (suffixEnd < pattern.size() && isAsciiDigit(pattern[suffixEnd]))
        ++suffixEnd;

    Keyword keyword;
    keyword.shortForm = pattern.substr(0, shortEnd);
    for (const char c : pattern.substr(0, longEnd))
        keyword.longForm.push_back(asciiUpper(c));
    keyword.suffix = pattern.substr(longEnd, suffixEnd - longEnd);
    pattern.remove_prefix(suffixEnd);
    if (keyword.suffix.empty() && takePrefix(pattern, "[1]")) {
        keyword.suffix = "1";
        keyword.suffixOptional = true;
    }
    return keyword;
}

std::optional<CommandTable::Command> CommandTable::readPattern(std::string_view pattern)
{
    Command command;
    command.query = pattern.ends_with('?');
    if (command.query)
        pattern.remove_suffix(1);

    if (takePrefix(pattern, "*")) {
        std::optional<Keyword> keyword = readKeyword(pattern);
        if (!keyword || !pattern.empty() || keyword->shortForm != keyword->longForm || !keyword->suffix.empty())
            return std::nullopt;
        keyword->shortForm.insert(0, 1, '*');
        keyword->longForm = keyword->shortForm;
        command.nodes.push_back({*keyword, false});
        return command;
    }

    // Before the first required keyword only "[KEYword:]" nodes may stand; after it each node
    // is ":KEYword" or "[:KEYword]".
    bool pastFirst = false;
    while (!pattern.empty()) {
        bool optional = false;
        std::optional<Keyword> keyword;
        if (!pastFirst && takePrefix(pattern, "[")) {
            optional = true;
            keyword = readKeyword(pattern);
            if (!takePrefix(pattern, ":]"))
                return std::nullopt;
        } else if (!pastFirst) {
            keyword = readKeyword(pattern);
            pastFirst = true;
        } else if (takePrefix(pattern, "[:")) {
            optional = true;
            keyword = readKeyword(pattern);
            if (!takePrefix(pattern, "]"))
                return std::nullopt;
        } else if (takePrefix(pattern, ":")) {
            keyword = readKeyword(pattern);
        }
        if (!keyword)
            return std::nullopt;
        command.nodes.push_back({std::move(*keyword), optional});
    }
    if (!pastFirst || command.nodes.size() > kMaxNodes)
        return std::nullopt;
    return command;
}

bool CommandTable::add(std::string_view pattern, int id)
{
    std::optional<Command> command = readPattern(pattern);
    if (!command)
        return false;
    command->id = id;
    commands_.push_back(std::move(*command));
    return true;
}

std::optional<int> CommandTable::find(std::span<const std::string_view> header, bool query) const
{
    for (const Command &command : commands_)
        if (command.query == query && command.matches(header))
            return command.id;
    return std::nullopt;
}

} // namespace merolan::scpi
