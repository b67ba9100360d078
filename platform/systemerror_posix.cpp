#include "platform/errors.h"

#include <cstring>

namespace corvane {

std::string systemErrorText(int errorNumber)
{
    return trimMessageTail(std::strerror(errorNumber));
}

} // namespace corvane
