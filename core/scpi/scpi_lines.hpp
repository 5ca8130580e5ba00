#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Cuts the byte stream of a raw-socket instrument connection into messages: each ends with LF,
// a CR just before the LF is no part of it. A client decides how much it sends, so a message
// is kept only up to a bound; a longer one is reported once and dropped up to its LF, and the
// connection goes on with the next.
namespace merolan::scpi {

inline constexpr std::size_t kMaxMessageBytes = 4096;

struct MessageEvent {
    enum class Kind {
        Message, // `text` holds one whole message, without its terminator
        Overrun, // a message outgrew kMaxMessageBytes; it is dropped up to its LF
    };
    Kind kind = Kind::Message;
    std::string text;
};

class MessageSplitter
{
public:
    // Takes the next bytes as they came; gives the events they complete, in order.
    std::vector<MessageEvent> feed(std::string_view bytes);
    // Bytes of an unfinished message held so far.
    std::size_t pending() const { return partial_.size(); }

private:
    std::string partial_;
    bool discarding_ = false; // inside a message that overran, until its LF
};

} // namespace merolan::scpi
