#include "platform/gfx2d/Backend.h"

#include <vector>

namespace gfx2d {

namespace {
bool started = false;
std::vector<std::function<void()>>& Handlers() {
  static std::vector<std::function<void()>> handlers;
  return handlers;
}
}  // namespace

void Startup() { started = true; }

void Shutdown() {
  if (!started) return;
  started = false;
  auto handlers = std::move(Handlers());
  Handlers().clear();
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) (*it)();
}

bool IsStarted() { return started; }

void AddReleaseHandler(std::function<void()> Handler) {
  if (Handler) Handlers().push_back(std::move(Handler));
}

}  // namespace gfx2d
