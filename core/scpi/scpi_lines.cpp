#include "core/scpi/scpi_lines.hpp"

namespace merolan::scpi {

std::vector<MessageEvent> MessageSplitter::feed(std::string_view bytes)
{
    std::vector<MessageEvent> events;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!discarding_) {
            if (partial_.size() + piece.size() > kMaxMessageBytes) {
                discarding_ = true;
                partial_.clear();
                events.push_back({MessageEvent::Kind::Overrun, {}});
            } else {
                partial_.append(piece);
            }
        }
        if (end == std::string_view::npos)
            break;
        bytes.remove_prefix(end + 1);
        if (discarding_) {
            discarding_ = false;
            continue;
        }
        if (!partial_.empty() && partial_.back() == '\r')
            partial_.pop_back();
        events.push_back({MessageEvent::Kind::Message, std::move(partial_)});
        partial_.clear();
    }
    return events;
}

} // namespace merolan::scpi
