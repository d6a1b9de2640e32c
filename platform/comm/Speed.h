// Line speeds: the standard termios constants, and any other rate through termios2.
#pragma once

#include <termios.h>

#include <cstdint>

namespace comm {

// The B-constant of a standard rate, or 0 when the rate has none.
speed_t StandardSpeed(std::uint32_t rate);
// Sets both directions of an open terminal to an arbitrary rate (BOTHER).
int SetCustomSpeed(int fd, std::uint32_t rate);
// The rates the terminal has now, in bits per second.
int GetSpeed(int fd, std::uint32_t& inRate, std::uint32_t& outRate);

}  // namespace comm
