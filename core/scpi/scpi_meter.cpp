#include "core/scpi/scpi_meter.hpp"

#include "core/scpi/scpi_meter_commands.hpp"
#include "core/scpi/scpi_parser.hpp"

#include <utility>

namespace merolan::scpi {

struct MeterConnection::Impl {
    explicit Impl(MeterShared &shared) : state(shared) {}

    ConnectionState state;
    ParsedMessage message;
    std::size_t next = 0; // the unit of `message` that runs next

    Reply runUntilWaiting();
    std::string finishMessage();
};

Reply MeterConnection::Impl::runUntilWaiting()
{
    while (state.awaited == Awaited::Nothing && next < message.units.size())
        runCommand(state, message.units[next++]);
    Reply reply;
    if (state.awaited == Awaited::Nothing)
        reply.text = finishMessage();
    else
        reply.wait = state.awaited == Awaited::TriggeredLevel ? ReadingWait::Triggered : ReadingWait::NewPoll;
    reply.triggersPoll = std::exchange(state.triggersPoll, false);
    reply.continuous = std::exchange(state.continuous, std::nullopt);
    return reply;
}

// A message's answers go out together, on one line.
std::string MeterConnection::Impl::finishMessage()
{
    if (message.error)
        state.fail(*message.error);
    message = {};
    next = 0;
    if (state.answers.empty())
        return {};
    std::string line;
    for (const std::string &answer : state.answers)
        line += (line.empty() ? "" : ";") + answer;
    state.answers.clear();
    return line + '\n';
}

MeterConnection::MeterConnection(MeterShared &shared) : impl_(std::make_unique<Impl>(shared)) {}

MeterConnection::~MeterConnection() = default;

Reply MeterConnection::takeMessage(std::string_view message)
{
    if (waits())
        return {};
    impl_->message = parseMessage(meterCommandTable(), message);
    impl_->next = 0;
    return impl_->runUntilWaiting();
}

Reply MeterConnection::takeOverrun()
{
    impl_->state.fail(Error::InputBufferOverrun, "a message is at most 4096 bytes");
    return {};
}

bool MeterConnection::waits() const
{
    return impl_->state.awaited != Awaited::Nothing;
}

void MeterConnection::readingHandled(const ReadingRecord &record)
{
    ConnectionState &state = impl_->state;
    state.latest = record;
    state.latestRevision = state.shared.instrument.revision();
    state.triggered = false;
}

Reply MeterConnection::answerWait(const ReadingRecord &record)
{
    if (!waits())
        return {};
    finishAwaited(impl_->state, record);
    return impl_->runUntilWaiting();
}

Reply MeterConnection::failWait(std::string_view why)
{
    if (!waits())
        return {};
    abandonAwaited(impl_->state, why);
    return impl_->runUntilWaiting();
}

} // namespace merolan::scpi
