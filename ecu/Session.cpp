#include "ecu/Session.h"

#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

// The newest scope in force; the others follow through below_.
TSessionScope* top = nullptr;

}  // namespace

TSession::~TSession() {
  for (THostScopeBase* scope : hostScopes_) scope->session_ = nullptr;
}

TSession& Session() {
  if (!top) throw rtl::Exception("The ECU side runs without a session");
  return *top->session_;
}

bool SessionInstalled() { return top != nullptr; }

TSessionScope::TSessionScope(TSession& Session) : session_(&Session), below_(top) { top = this; }

TSessionScope::~TSessionScope() {
  if (top == this) {
    top = below_;
    return;
  }
  for (TSessionScope* s = top; s; s = s->below_)
    if (s->below_ == this) {
      s->below_ = below_;
      return;
    }
}

}  // namespace ecu
