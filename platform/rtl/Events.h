// Method references (events): a callable bound to a target object that also carries the
// name of its method, so that streams can write "OnClick = FormClick" and bind it back by
// name through the published-method table of the stream's root (see TypInfo.h).
#pragma once

#include <any>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "platform/rtl/SysUtils.h"

namespace rtl {

class TObject;

// Identity of a method's code, so that two references to the same method of the same
// object compare equal whether they were bound in code or by name.
struct TMethodCode {
  const std::type_info* Type = nullptr;  // the member-function pointer type; nil: no identity
  std::array<unsigned char, 2 * sizeof(void*)> Bytes{};

  template <class M> static TMethodCode Of(M member) {
    static_assert(std::is_member_function_pointer_v<M> && sizeof(M) <= 2 * sizeof(void*));
    TMethodCode code;
    code.Type = &typeid(M);
    std::memcpy(code.Bytes.data(), &member, sizeof(M));
    return code;
  }
  bool Known() const { return Type != nullptr; }
  bool operator==(const TMethodCode& other) const {
    return Type && other.Type && *Type == *other.Type && Bytes == other.Bytes;
  }
};

// A type-erased method reference, as run-time type information hands it around.
// Callable holds the event's shared callable (std::shared_ptr<const std::function<Sig>>)
// when the reference is set.
struct TMethod {
  TObject* Data = nullptr;                  // the target object
  std::string Name;                         // the method's name ("" when unnamed)
  const std::type_info* Signature = nullptr;  // the function type, e.g. void(TObject*)
  TMethodCode Code;
  std::any Callable;

  bool Assigned() const { return Callable.has_value(); }
  explicit operator bool() const { return Assigned(); }
  // Same target and same code, or both unset.
  bool operator==(const TMethod& other) const {
    if (!Assigned() || !other.Assigned()) return Assigned() == other.Assigned();
    return Data == other.Data && Code.Known() && Code == other.Code;
  }
};

template <class Sig> class TEvent;
template <class Sig> class TEventMute;

// A method reference of one signature. Empty by default; calling an empty event does
// nothing (returns a value-initialised result), so callers need not test it first.
//
// Handlers may do anything to their own event and its sender. The callable is shared and
// never changed in place: a call holds its own reference to it until the handler returns,
// so a handler may clear or replace the event that is running it, or free the object
// that fired it (and the event with it), and still use everything it captured. Nothing
// of the event is read after the handler returns. Copying an event copies a pointer.
//
// Silencing an event for a while has one form, TEventMute (below); never swap the handler
// out and back, which loses a handler installed in between.
template <class R, class... Args> class TEvent<R(Args...)> {
public:
  using Signature = R(Args...);
  using Function = std::function<R(Args...)>;

  TEvent() = default;
  TEvent(std::nullptr_t) {}

  // Bound to a member function of an object; Name is the method's published name.
  template <class C, class D>
    requires std::is_base_of_v<D, C>
  TEvent(C* Target, R (D::*Method)(Args...), std::string Name = {})
      : data_(Target), name_(std::move(Name)), code_(TMethodCode::Of(Method)) {
    if (Target)
      fn_ = std::make_shared<const Function>(
          [Target, Method](Args... args) -> R { return (Target->*Method)(std::forward<Args>(args)...); });
  }

  // Bound to any callable (a lambda in code); such references have no code identity.
  template <class F>
    requires(!std::is_same_v<std::decay_t<F>, TEvent> && !std::is_same_v<std::decay_t<F>, std::nullptr_t> &&
             std::is_invocable_r_v<R, F&, Args...>)
  TEvent(F&& Callable, TObject* Target = nullptr, std::string Name = {})
      : data_(Target), name_(std::move(Name)) {
    Function fn(std::forward<F>(Callable));
    if (fn) fn_ = std::make_shared<const Function>(std::move(fn));
  }

  // A mute belongs to the place the event is stored, not to the handler: a copy starts
  // unmuted, and assigning a new handler to a muted event keeps it muted.
  TEvent(const TEvent& other) : data_(other.data_), name_(other.name_), code_(other.code_), fn_(other.fn_) {}
  TEvent(TEvent&& other) noexcept
      : data_(other.data_), name_(std::move(other.name_)), code_(other.code_), fn_(std::move(other.fn_)) {}
  TEvent& operator=(const TEvent& other) {
    if (this != &other) {
      data_ = other.data_;
      name_ = other.name_;
      code_ = other.code_;
      fn_ = other.fn_;
    }
    return *this;
  }
  TEvent& operator=(TEvent&& other) noexcept {
    if (this != &other) {
      data_ = other.data_;
      name_ = std::move(other.name_);
      code_ = other.code_;
      fn_ = std::move(other.fn_);
    }
    return *this;
  }

  R operator()(Args... args) const {
    if (!fn_ || muted_ > 0) {
      if constexpr (std::is_void_v<R>) return;
      else return R{};
    }
    const std::shared_ptr<const Function> running = fn_;  // outlives a reset of fn_ or of *this
    return (*running)(std::forward<Args>(args)...);
  }

  bool Assigned() const { return fn_ != nullptr; }
  explicit operator bool() const { return Assigned(); }
  bool operator==(std::nullptr_t) const { return !Assigned(); }
  bool operator==(const TEvent& other) const { return ToMethod() == other.ToMethod(); }

  TObject* Data() const { return data_; }
  const std::string& MethodName() const { return name_; }
  const TMethodCode& Code() const { return code_; }

  TMethod ToMethod() const {
    TMethod m;
    m.Data = data_;
    m.Name = name_;
    m.Signature = &typeid(Signature);
    m.Code = code_;
    if (fn_) m.Callable = fn_;
    return m;
  }

  // An unset method gives an empty event; a method of another signature raises
  // EPropertyError, never a call through the wrong type.
  static TEvent FromMethod(const TMethod& m) {
    TEvent e;
    if (!m.Assigned()) return e;
    const auto* fn = m.Signature && *m.Signature == typeid(Signature)
                         ? std::any_cast<std::shared_ptr<const Function>>(&m.Callable)
                         : nullptr;
    if (!fn || !*fn)
      throw EPropertyError("Method " + (m.Name.empty() ? std::string("(unnamed)") : m.Name) +
                           " does not match the event's signature");
    e.data_ = m.Data;
    e.name_ = m.Name;
    e.code_ = m.Code;
    e.fn_ = *fn;
    return e;
  }

private:
  friend class TEventMute<Signature>;

  TObject* data_ = nullptr;
  std::string name_;
  TMethodCode code_;
  std::shared_ptr<const Function> fn_;
  int muted_ = 0;  // calls are dropped while above 0 (TEventMute)
};

// Keeps one event quiet for a scope: calls of it do nothing until the guard ends,
// whichever handler is installed meanwhile (a handler set during the scope stays set).
// Mutes nest. This is how an object changes several things and notifies once:
//   { rtl::TEventMute quiet(OnChange); ...assign the parts... }  OnChange(this);
// Calls through a copy of the event are not muted. The event must outlive the guard.
template <class Sig> class TEventMute {
public:
  explicit TEventMute(TEvent<Sig>& Event) : event_(Event) { ++event_.muted_; }
  ~TEventMute() { --event_.muted_; }
  TEventMute(const TEventMute&) = delete;
  TEventMute& operator=(const TEventMute&) = delete;

private:
  TEvent<Sig>& event_;
};

// The event every notification uses: (Sender).
using TNotifyEvent = TEvent<void(TObject* Sender)>;

template <class T> struct IsEvent : std::false_type {};
template <class Sig> struct IsEvent<TEvent<Sig>> : std::true_type {};

}  // namespace rtl
