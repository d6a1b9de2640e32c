// termios2 lives in the kernel's headers, whose struct termios clashes with the C
// library's: this file includes only the kernel's, and Speed.h's declarations are
// repeated here without <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>
#include <cstdint>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace comm {

using speed_t = unsigned int;

namespace {
struct TRate {
  std::uint32_t Rate;
  speed_t Code;
};
constexpr TRate kRates[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};
}  // namespace

speed_t StandardSpeed(std::uint32_t rate) {
  for (const TRate& r : kRates)
    if (r.Rate == rate) return r.Code;
  return 0;
}

int SetCustomSpeed(int fd, std::uint32_t rate) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) < 0) return errno;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  if (ioctl(fd, TCSETS2, &t) < 0) return errno;
  return 0;
}

int GetSpeed(int fd, std::uint32_t& inRate, std::uint32_t& outRate) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) < 0) return errno;
  inRate = t.c_ispeed;
  outRate = t.c_ospeed;
  return 0;
}

}  // namespace comm
