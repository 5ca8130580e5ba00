#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The commands a remote client may send, written the way instrument manuals write them:
//
//   "MEASure[:SCALar][:POWer][:AC]?"   "[SENSe:]CORRection:GAIN2[:INPut][:MAGNitude]"
//   "SENSe[1]:AVERage:COUNt"           "*IDN?"   "*ESE"   "*ESE?"
//
// - Keywords are separated by ':'. The upper-case letters that open a keyword are its short
//   form, the whole keyword its long form; a client may send either, in any case, and nothing
//   in between ("MEAS", "measure", but not "MEASU").
// - "[:KEYword]" is a node the client may leave out; "[KEYword:]" may open a pattern likewise.
// - Digits after a keyword are a suffix the client must send as written ("GAIN2" takes GAIN2
//   only). "[1]" after a keyword is a suffix the client may send or leave out ("SENSe[1]" takes
//   SENS and SENS1). A keyword without either takes no suffix.
// - A closing '?' makes the query form, a command of its own with its own id.
// - A pattern opening with '*' is a common command: one upper-case keyword, no suffix, no path.
namespace merolan::scpi {

class CommandTable
{
public:
    // Optional nodes make a header match in more than one length; this bounds the work a lookup
    // does, and no command tree has patterns this deep.
    static constexpr std::size_t kMaxNodes = 12;

    // Adds a command under `id`; false, and the table unchanged, when `pattern` is not written in
    // the notation above or has more than kMaxNodes keywords. When two patterns take the same
    // header, the one added first wins.
    [[nodiscard]] bool add(std::string_view pattern, int id);

    // The id of the command a header names: its mnemonics as the client sent them, from the
    // root ("SENS", "CORR", "GAIN2"; a common command as one mnemonic "*ESE"), and whether it
    // ended in '?'. Empty when no command takes it.
    std::optional<int> find(std::span<const std::string_view> header, bool query) const;

private:
    struct Keyword {
        std::string shortForm; // upper-case, with the '*' of a common command
        std::string longForm;
        std::string suffix;          // the digits a mnemonic must end in
        bool suffixOptional = false; // "[1]": or no digits at all
        bool accepts(std::string_view mnemonic) const;
    };
    struct Node {
        Keyword keyword;
        bool optional = false;
    };
    struct Command {
        int id = 0;
        bool query = false;
        std::vector<Node> nodes;
        bool matches(std::span<const std::string_view> header) const;
    };

    static std::optional<Keyword> readKeyword(std::string_view &pattern);
    static std::optional<Command> readPattern(std::string_view pattern);

    std::vector<Command> commands_;
};

} // namespace merolan::scpi
