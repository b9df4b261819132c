#pragma once

namespace nimbrel::detail {

// How many controls of the library are alive.
int LiveControls();

} // namespace nimbrel::detail
