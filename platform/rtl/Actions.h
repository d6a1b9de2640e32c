// Actions: a command with its caption, enabled state, hint and visibility, shared by the
// controls linked to it. A control holds an action link (its own subclass of TActionLink),
// through which the action writes a changed value into the control, as long as the
// control still shows the action's previous value (the link answers IsXLinked).
//
// An action knows its links; a link leaves its action when it is freed or set to another
// action, and an action that is freed unlinks every link first (the controls that hold
// them also subscribe to its free notification, to forget it).
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

namespace rtl {

class TBasicActionLink;

class TBasicAction : public TComponent {
  RTL_CLASS(TBasicAction, TComponent)
public:
  explicit TBasicAction(TComponent* AOwner);
  void BeforeDestruction() override;

  // Fires OnExecute; false when it is not assigned.
  virtual bool Execute();
  // Fires OnUpdate; false when it is not assigned.
  virtual bool Update();

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

protected:
  // Tells every link that the action changed (TBasicActionLink::OnChange).
  void Change();
  const std::vector<TBasicActionLink*>& Links() const { return links_; }

private:
  friend class TBasicActionLink;
  std::vector<TBasicActionLink*> links_;
};

class TBasicActionLink : public TObject {
  RTL_CLASS(TBasicActionLink, TObject)
public:
  TBasicActionLink() = default;
  ~TBasicActionLink() override;
  TBasicActionLink(const TBasicActionLink&) = delete;
  TBasicActionLink& operator=(const TBasicActionLink&) = delete;

  TBasicAction* Action() const { return action_; }
  void SetAction(TBasicAction* Value);
  // How many links of the process are bound to an action (GUI thread): the idle-time walk
  // that updates actions has nothing to do while there are none.
  static int BoundLinks();
  bool Execute() { return action_ && action_->Execute(); }
  bool Update() { return action_ && action_->Update(); }

  // Fired with the action as sender when the action changes.
  TNotifyEvent OnChange;

private:
  friend class TBasicAction;
  TBasicAction* action_ = nullptr;
};

class TActionLink;
using THintEvent = TEvent<void(std::string& HintStr, bool& CanShow)>;

class TCustomAction : public TBasicAction {
  RTL_CLASS(TCustomAction, TBasicAction)
public:
  explicit TCustomAction(TComponent* AOwner);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  // Hands the changed handler to the linked clients as their click handler.
  void SetOnExecute(const TNotifyEvent& Value);

  // Asked for a client's hint: may change the text or refuse to show it.
  THintEvent OnHint;

private:
  // Calls Write on every link that is a TActionLink, then fires the change.
  template <class F>
  void ForEachLink(F&& Write);

  std::string caption_;
  bool enabled_ = true;
  std::string hint_;
  bool visible_ = true;
};

// The link of a client that takes an action's values. Subclasses answer which of the
// client's values still follow the action and write the new ones.
class TActionLink : public TBasicActionLink {
  RTL_CLASS(TActionLink, TBasicActionLink)
public:
  virtual bool IsCaptionLinked() { return Custom() != nullptr; }
  virtual bool IsEnabledLinked() { return Custom() != nullptr; }
  virtual bool IsHintLinked() { return Custom() != nullptr; }
  virtual bool IsVisibleLinked() { return Custom() != nullptr; }
  virtual bool IsOnExecuteLinked() { return Action() != nullptr; }
  virtual void SetCaption(const std::string&) {}
  virtual void SetEnabled(bool) {}
  virtual void SetHint(const std::string&) {}
  virtual void SetVisible(bool) {}
  virtual void SetOnExecute(const TNotifyEvent&) {}
  // The hint to show for the client: the action's OnHint may change it; true to show it.
  virtual bool DoShowHint(std::string& HintStr);

protected:
  // The action as a custom action; nil for any other action.
  TCustomAction* Custom() const { return dynamic_cast<TCustomAction*>(Action()); }
};

}  // namespace rtl
