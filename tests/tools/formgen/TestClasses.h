// Three control classes and a window class for the form generator's compile checks: only
// their declarations matter (the checks compile, they do not link).
#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

namespace app {

class TTestButton : public rtl::TComponent {
  RTL_CLASS(TTestButton, rtl::TComponent)
public:
  using TComponent::TComponent;
  void Press();
};

class TTestLabel : public rtl::TComponent {
  RTL_CLASS(TTestLabel, rtl::TComponent)
public:
  using TComponent::TComponent;
};

class TTestPanel : public rtl::TComponent {
  RTL_CLASS(TTestPanel, rtl::TComponent)
public:
  using TComponent::TComponent;
};

}  // namespace app
