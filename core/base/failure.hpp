#pragma once

#include <string>

namespace merolan {

// What went wrong, in words the user can act on; returned instead of thrown.
struct Failure {
    std::string message;
};

} // namespace merolan
