#include "core/scpi/scpi_errors.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace merolan::scpi;

TEST(ScpiErrorText, EveryCodeHasItsStandardText)
{
    const std::pair<int, const char *> cases[] = {
        {0, "No error"},
        {-100, "Command error"},
        {-102, "Syntax error"},
        {-103, "Invalid separator"},
        {-104, "Data type error"},
        {-108, "Parameter not allowed"},
        {-109, "Missing parameter"},
        {-113, "Undefined header"},
        {-221, "Settings conflict"},
        {-222, "Data out of range"},
        {-224, "Illegal parameter value"},
        {-230, "Data corrupt or stale"},
        {-231, "Data questionable"},
        {-241, "Hardware missing"},
        {-350, "Queue overflow"},
        {-363, "Input buffer overrun"},
        {-410, "Query INTERRUPTED"},
        {-420, "Query UNTERMINATED"},
        // Numbers not named get their hundred's text.
        {-199, "Command error"},
        {-200, "Execution error"},
        {-315, "Device-specific error"},
        {-440, "Query error"},
        {7, "Device-specific error"},
    };
    for (auto [code, text] : cases)
        EXPECT_EQ(errorText(static_cast<Error>(code)), text) << code;
}

TEST(ScpiErrorQueue, AnswersOldestFirstThenNoError)
{
    ErrorQueue queue;
    queue.push(Error::UndefinedHeader);
    queue.push(Error::None);
    queue.push(Error::HardwareMissing, "the meter does not answer");
    EXPECT_EQ(queue.count(), 2U);
    EXPECT_EQ(queue.pop(), "-113,\"Undefined header\"");
    EXPECT_EQ(queue.pop(), "-241,\"Hardware missing; the meter does not answer\"");
    EXPECT_EQ(queue.pop(), "0,\"No error\"");
    EXPECT_EQ(queue.count(), 0U);

    queue.push(Error::Syntax);
    queue.clear();
    EXPECT_EQ(queue.pop(), "0,\"No error\"");
}

TEST(ScpiErrorQueue, OverflowTakesTheLastPlaceAndLaterErrorsAreLost)
{
    ErrorQueue queue;
    for (int i = 0; i < 40; ++i)
        queue.push(i < 29 ? Error::Syntax : Error::DataOutOfRange);
    EXPECT_EQ(queue.count(), ErrorQueue::kCapacity);
    for (int i = 0; i < 29; ++i)
        EXPECT_EQ(queue.pop(), "-102,\"Syntax error\"") << i;
    EXPECT_EQ(queue.pop(), "-350,\"Queue overflow\"");
    EXPECT_EQ(queue.pop(), "0,\"No error\"");

    // Reading one makes room again.
    for (int i = 0; i < 31; ++i)
        queue.push(Error::Syntax);
    queue.pop();
    queue.push(Error::DataOutOfRange);
    EXPECT_EQ(queue.count(), ErrorQueue::kCapacity);
}

TEST(ScpiErrorQueue, DetailIsCutToOneLineOfPlainAscii)
{
    ErrorQueue queue;
    queue.push(Error::IllegalParameterValue, std::string("say \"hi\"\n\0\xC3\xA9", 12));
    EXPECT_EQ(queue.pop(), "-224,\"Illegal parameter value; say \"\"hi\"\"????\"");

    queue.push(Error::Command, std::string(300, 'x'));
    const std::string answer = queue.pop();
    EXPECT_EQ(answer, "-100,\"Command error; " + std::string(255 - 15, 'x') + '"');
}
