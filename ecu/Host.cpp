#include "ecu/Host.h"

#include <algorithm>

#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

THost& Host() {
  THost* host = Session().Hosts.Host;
  if (!host) throw rtl::Exception("The ECU link runs without an application host");
  return *host;
}

TLinkPort& Port() {
  TLinkPort* port = Session().Hosts.Port;
  if (!port) throw rtl::Exception("The ECU link runs without a port window");
  return *port;
}

THostScopeBase::THostScopeBase(const void* Slot, void* Value) : session_(&Session()), slot_(Slot), value_(Value) {
  session_->hostScopes_.push_back(this);
}

THostScopeBase::~THostScopeBase() {
  if (session_) std::erase(session_->hostScopes_, this);
}

bool THostScopeBase::Leave(void*& Value) {
  if (!session_) return false;
  std::erase(session_->hostScopes_, this);
  Value = nullptr;
  for (const THostScopeBase* scope : session_->hostScopes_)
    if (scope->slot_ == slot_) Value = scope->value_;
  session_ = nullptr;
  return true;
}

}  // namespace ecu
