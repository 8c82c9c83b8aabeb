#pragma once

namespace orvalet {

// Creates the main panel, shows it and runs the message loop.
int run(int argc, char** argv);

} // namespace orvalet
