#include "box.h"

#include <utility>

namespace boxsim {

Box::Box(SendFn send)
    : send_(std::move(send))
{
}

void Box::receive(Side from, std::string_view bytes)
{
    // No replies yet: the box stays silent.
    static_cast<void>(from);
    static_cast<void>(bytes);
}

} // namespace boxsim
