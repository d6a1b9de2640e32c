#include "scene3d/TextBox3D.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/win/Clipboard.h"
#include "platform/win/Menus.h"
#include "platform/win/WinTypes.h"
#include "scene3d/Canvas.h"
#include "scene3d/ValueText.h"
#include "vg2d/controls/EditKeys.h"
#include "vg2d/controls/EditMenu.h"
#include "vg2d/core/SceneControl.h"

namespace dx {

namespace {

// The characters of S[From, From + Count): a pair of surrogates is one. A password box shows a
// square for each.
int CharsIn(const std::u16string& S, int From, int Count) {
  const int end = std::min(static_cast<int>(S.size()), From + Count);
  int n = 0;
  for (int i = std::max(0, From); i < end; i += std::max(1, vg::UnitsAt(S, i))) ++n;
  return n;
}

// Characters a long run is first measured on before it is measured whole.
constexpr int ProbeChars = 32;
// Cached widths are forgotten beyond this many.
constexpr size_t MaxCachedWidths = 4096;

std::uint64_t SliceKey(int From, int Count) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(From)) << 32) | static_cast<std::uint32_t>(Count);
}

rtl::TShiftState Modifiers(rtl::TShiftState Shift) {
  return Shift * rtl::TShiftState{rtl::ssShift, rtl::ssAlt, rtl::ssCtrl};
}

// The start of the word before P: back over spaces, then over the word.
int PrevWordStart(const std::u16string& S, int P) {
  int i = std::clamp(P, 0, static_cast<int>(S.size()));
  while (i > 0 && S[static_cast<size_t>(i - 1)] == u' ') --i;
  while (i > 0 && S[static_cast<size_t>(i - 1)] != u' ') --i;
  return i;
}

// The start of the next word after P: over the rest of this word, then over spaces.
int NextWordStart(const std::u16string& S, int P) {
  const int len = static_cast<int>(S.size());
  int i = std::clamp(P, 0, len);
  while (i < len && S[static_cast<size_t>(i)] != u' ') ++i;
  while (i < len && S[static_cast<size_t>(i)] == u' ') ++i;
  return i;
}

vg::TvxRect Rect(float Left, float Top, float Right, float Bottom) { return {Left, Top, Right, Bottom}; }

}  // namespace

// ---- class --------------------------------------------------------------------------------------------

rtl::TClass TdxTextBox3D::StaticClass() {
  using T = TdxTextBox3D;
  static const rtl::TClassInfo info = rtl::DefineClass<T>()
                                          .Event("OnChange", &T::OnChange)
                                          .Property("ReadOnly", &T::ReadOnly, &T::SetReadOnly)
                                          .Default(false)
                                          .Property("Password", &T::Password, &T::SetPassword)
                                          .Default(false)
                                          .Event("OnTyping", &T::OnTyping)
                                          .Property("Text", &T::Text, &T::SetText)
                                          .Property("Font", &T::Font, &T::SetFont)
                                          .Property("Background", &T::Background, &T::SetBackground)
                                          .Default(std::string("#B0505050"))
                                          .Property("Selection", &T::Selection, &T::SetSelection)
                                          .Default(std::string("#802A8ADF"))
                                          .Property("ShowBackground", &T::ShowBackground, &T::SetShowBackground)
                                          .Default(true)
                                          .Property("CanFocused", &T::CanFocused, &T::SetCanFocused)
                                          .Default(true)
                                          .Build();
  return &info;
}

void RegisterDxTextBoxClasses() { RegisterDxClasses("Controls", {TdxTextBox3D::StaticClass()}); }

TdxTextBox3D::TdxTextBox3D(rtl::TComponent* AOwner)
    : TdxShape3D(AOwner), font_(std::make_unique<TdxFont>()), menu_(std::make_unique<win::TPopupMenu>(nullptr)) {
  font_->OnChange = [this](rtl::TObject*) {
    MeasuresChanged();
    Repaint();
  };
  SetCanFocused(true);
  SetCursor(-4);
  SetAutoCapture(true);
  SetWidth(10);
  SetHeight(2);
  menu_->Add(u"Cut", rtl::TNotifyEvent(this, &TdxTextBox3D::MenuCut));
  menu_->Add(u"Copy", rtl::TNotifyEvent(this, &TdxTextBox3D::MenuCopy));
  menu_->Add(u"Paste", rtl::TNotifyEvent(this, &TdxTextBox3D::MenuPaste));
  menu_->Add(u"Delete", rtl::TNotifyEvent(this, &TdxTextBox3D::MenuDelete));
  menu_->Add(u"Select All", rtl::TNotifyEvent(this, &TdxTextBox3D::MenuSelectAll));
}

TdxTextBox3D::~TdxTextBox3D() = default;

// ---- properties ---------------------------------------------------------------------------------------

void TdxTextBox3D::SetText(const std::u16string& Value) {
  if (Value == text_) return;
  text_ = Value;
  changed_ = true;
  widths_.clear();
  Normalize();
  // No room left empty at the right while characters are hidden at the left (a text that
  // became shorter), then the caret into view.
  while (firstVisible_ > 1 && !WiderThan(firstVisible_ - 2, Length() - firstVisible_ + 2, Width())) --firstVisible_;
  // Not half of a character outside the 16-bit plane: the whole of it has no room.
  if (vg::UnitsAt(text_, firstVisible_ - 2) == 2) ++firstVisible_;
  ScrollToCaret();
}

void TdxTextBox3D::SetPassword(bool Value) {
  if (Value == password_) return;
  password_ = Value;
  Repaint();
}

std::string TdxTextBox3D::Background() const { return dxColorToText(background_); }

void TdxTextBox3D::SetBackground(const std::string& Value) {
  const TdxColor c = dxTextToColor(Value);
  if (c == background_) return;
  background_ = c;
  Repaint();
}

std::string TdxTextBox3D::Selection() const { return dxColorToText(selection_); }

void TdxTextBox3D::SetSelection(const std::string& Value) {
  const TdxColor c = dxTextToColor(Value);
  if (c == selection_) return;
  selection_ = c;
  Repaint();
}

void TdxTextBox3D::SetShowBackground(bool Value) {
  if (Value == showBackground_) return;
  showBackground_ = Value;
  Repaint();
}

// ---- caret and selection ----------------------------------------------------------------------------

int TdxTextBox3D::SelStart() const {
  if (selLength_ > 0) return anchor_;
  if (selLength_ == 0) return caret_;
  return anchor_ + selLength_;
}

std::u16string TdxTextBox3D::SelText() const {
  const int start = std::clamp(SelStart(), 0, Length());
  return text_.substr(static_cast<size_t>(start), static_cast<size_t>(std::min(SelLength(), Length() - start)));
}

void TdxTextBox3D::Normalize() {
  const int len = Length();
  caret_ = vg::WholeCharAt(text_, caret_);
  const int anchor = std::clamp(anchor_, 0, len);
  const int end = static_cast<int>(std::clamp<long long>(static_cast<long long>(anchor) + selLength_, 0, len));
  anchor_ = vg::WholeCharAt(text_, anchor);
  selLength_ = vg::WholeCharAt(text_, end) - anchor_;
  firstVisible_ = std::clamp(firstVisible_, 1, std::max(1, len));
}

void TdxTextBox3D::SetCaretPosition(int Value) {
  caret_ = vg::WholeCharAt(text_, Value);
  ScrollToCaret();
  if (selLength_ == 0) anchor_ = caret_;
  Repaint();
}

void TdxTextBox3D::ScrollToCaret() {
  const int len = Length();
  const float avail = Width();
  if (caret_ + 1 > firstVisible_) {
    while (len > firstVisible_ && WiderThan(firstVisible_ - 1, caret_ - firstVisible_ + 1, avail)) {
      // The largest step after which as many characters still fill more than the box.
      const int n = caret_ - firstVisible_ + 1;
      int step = 1;
      for (int k : {500, 100, 50, 10}) {
        const int from = firstVisible_ - 1 + k;
        const int count = std::min(n, len - from);
        if (count > 0 && WiderThan(from, count, avail)) {
          step = k;
          break;
        }
      }
      // Never past the caret: the box keeps showing where it stands.
      firstVisible_ = std::min(firstVisible_ + step, caret_ + 1);
      // Nor from the second half of a character outside the 16-bit plane: past all of it.
      if (firstVisible_ <= caret_ && vg::UnitsAt(text_, firstVisible_ - 2) == 2) ++firstVisible_;
    }
  } else {
    // The character before the caret in view, a surrogate pair whole.
    firstVisible_ = std::max(caret_ - std::max(vg::UnitsBefore(text_, caret_) - 1, 0), 1);
  }
  Repaint();
}

// ---- measures -------------------------------------------------------------------------------------------

void TdxTextBox3D::MeasuresChanged() {
  widths_.clear();
  passwordCharWidth_ = -1;
  measureFontSet_ = false;
}

vg::TvxCanvas* TdxTextBox3D::MeasureCanvas() {
  if (!measure_) {
    if (!vg::DefaultCanvasClass) return nullptr;
    measure_ = vg::DefaultCanvasClass->Create(1, 1);
    measureFontSet_ = false;
  }
  if (!measureFontSet_) {
    measure_->Font()->Assign(font_.get());
    measureFontSet_ = true;
  }
  return measure_.get();
}

float TdxTextBox3D::MeasureSlice(int From, int Count) {
  From = std::clamp(From, 0, Length());
  Count = std::min(Count, Length() - From);
  if (Count <= 0) return 0;
  const std::uint64_t key = SliceKey(From, Count);
  if (auto it = widths_.find(key); it != widths_.end()) return it->second;
  float w = 0;
  if (vg::TvxCanvas* c = MeasureCanvas()) {
    // The right edge of the text laid out from the left on one line, ten font pixels a unit.
    vg::TvxRect r = Rect(0, 0, 65535, Height() * 10);
    c->MeasureText(r, r, text_.substr(static_cast<size_t>(From), static_cast<size_t>(Count)), false,
                   vg::vgTextAlignNear, vg::vgTextAlignCenter);
    w = r.Right / 10;
    if (std::isnan(w)) w = 0;
  }
  if (widths_.size() >= MaxCachedWidths) widths_.clear();
  widths_.emplace(key, w);
  return w;
}

float TdxTextBox3D::PasswordCharWidth() {
  if (passwordCharWidth_ < 0) {
    float w = 0;
    if (vg::TvxCanvas* c = MeasureCanvas()) {
      vg::TvxRect r = Rect(0, 0, 65535, Height() * 10);
      c->MeasureText(r, r, u"a", false, vg::vgTextAlignNear, vg::vgTextAlignCenter);
      w = r.Right / 10;
    }
    passwordCharWidth_ = std::isnan(w) || w < 0 ? 0 : w;
  }
  return passwordCharWidth_;
}

float TdxTextBox3D::SliceWidth(int From, int Count) {
  if (Count <= 0) return 0;
  if (password_) return static_cast<float>(CharsIn(text_, From, Count)) * PasswordCharWidth();
  return MeasureSlice(From, Count);
}

float TdxTextBox3D::TextWidth(const std::u16string& S) {
  if (password_) return static_cast<float>(CharsIn(S, 0, static_cast<int>(S.size()))) * PasswordCharWidth();
  if (S.empty()) return 0;
  vg::TvxCanvas* c = MeasureCanvas();
  if (!c) return 0;
  vg::TvxRect r = Rect(0, 0, 65535, Height() * 10);
  c->MeasureText(r, r, S, false, vg::vgTextAlignNear, vg::vgTextAlignCenter);
  return std::isnan(r.Right) ? 0 : r.Right / 10;
}

bool TdxTextBox3D::WiderThan(int From, int Count, float Limit) {
  if (Count <= 0) return 0 > Limit;
  if (password_) return SliceWidth(From, Count) > Limit;
  // A run wider than the limit is as wide as its first characters already show: the long
  // runs of a long text are decided on a prefix, and measured whole only when that is short.
  int n = ProbeChars;
  for (;;) {
    const int m = std::min(n, Count);
    if (MeasureSlice(From, m) > Limit) return true;
    if (m == Count) return false;
    n = n > Count / 4 ? Count : n * 4;
  }
}

int TdxTextBox3D::FitCount(float Limit) {
  const int from = firstVisible_ - 1;
  const int rest = Length() - from;
  if (rest <= 0) return 0;
  if (!WiderThan(from, rest, Limit)) return rest;
  // The most characters that fit: SliceWidth grows with the count.
  int lo = 0, hi = 1;
  while (hi < rest && !WiderThan(from, hi, Limit)) {
    lo = hi;
    hi = std::min(rest, hi * 2);
  }
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    if (WiderThan(from, mid, Limit))
      hi = mid;
    else
      lo = mid;
  }
  return lo;
}

int TdxTextBox3D::CharIndexAt(float X) {
  Normalize();
  const int len = Length();
  const int first = firstVisible_ - 1;
  if (password_) {
    const float a = PasswordCharWidth();
    if (!(a > 0)) return std::clamp(first, 0, len);
    const double steps = std::trunc(static_cast<double>(X) / static_cast<double>(a));
    if (std::isnan(steps) || steps <= 0) return std::clamp(first, 0, len);
    // That many characters on from the first in view.
    int at = std::clamp(first, 0, len);
    for (double k = 0; k < steps && at < len; ++k) at += std::max(1, vg::UnitsAt(text_, at));
    return at;
  }
  if (!(X > 0) || first >= len) return std::clamp(first, 0, len);
  // The first boundary k at or beyond X (the width of the characters first .. k grows with
  // k), then the nearer of k - 1 and k.
  auto w = [&](int K) { return MeasureSlice(first, K - first); };
  int lo = first, hi = first, step = 1;
  for (;;) {
    hi = std::min(len, lo + step);
    if (w(hi) >= X) break;
    if (hi == len) return len;
    lo = hi;
    step *= 2;
  }
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    if (w(mid) >= X)
      hi = mid;
    else
      lo = mid;
  }
  const float w1 = w(lo), w2 = w(hi);
  const int at = X > w1 + (w2 - w1) / 2 ? hi : lo;
  // Between the halves of a character outside the 16-bit plane: the nearer edge of the whole
  // character.
  if (at > first && vg::UnitsAt(text_, at - 1) == 2) {
    const float before = w(at - 1), after = w(at + 1);
    return X > before + (after - before) / 2 ? at + 1 : at - 1;
  }
  return at;
}

float TdxTextBox3D::CharX(int P) {
  const int len = Length();
  if (password_) {
    const int first = firstVisible_ - 1, end = std::min(P, len);
    const int n = end >= first ? CharsIn(text_, first, end - first) : -CharsIn(text_, end, first - end);
    return static_cast<float>(n) * PasswordCharWidth();
  }
  if (P > 0 && P <= len) return SliceWidth(firstVisible_ - 1, P - firstVisible_ + 1);
  return 0;
}

// ---- editing --------------------------------------------------------------------------------------------

void TdxTextBox3D::InsertText(const std::u16string& S) {
  if (readOnly_) return;
  Normalize();
  const int start = SelStart();
  std::u16string t = text_;
  t.erase(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
  t.insert(static_cast<size_t>(start), S);
  selLength_ = 0;
  if (maxLength_ > 0 && static_cast<int>(t.size()) > maxLength_) {
    Repaint();
    return;
  }
  SetText(t);
  SetCaretPosition(start + static_cast<int>(S.size()));
}

void TdxTextBox3D::DeleteSelection() {
  if (readOnly_) return;
  Normalize();
  const int start = SelStart();
  std::u16string t = text_;
  t.erase(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
  selLength_ = 0;
  SetText(t);
  SetCaretPosition(start);
}

void TdxTextBox3D::CopyToClipboard() {
  Normalize();
  const std::u16string s = SelText();
  if (!s.empty()) win::ClipboardSetText(s);
}

void TdxTextBox3D::CutToClipboard() {
  CopyToClipboard();
  DeleteSelection();
}

void TdxTextBox3D::PasteFromClipboard() {
  if (readOnly_ || !win::ClipboardHasText()) return;
  InsertText(win::ClipboardGetText());
}

void TdxTextBox3D::SelectAll() {
  Normalize();
  SetCaretPosition(Length());
  selLength_ = 0;
  SetCaretPosition(0);
  selLength_ = Length();
  Repaint();
}

void TdxTextBox3D::CommitChange() {
  if (changed_ && OnChange) OnChange(this);
}

// ---- keys, focus, menu ----------------------------------------------------------------------------------

void TdxTextBox3D::KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TdxFreeWatch self(this);
  TdxShape3D::KeyDown(Key, KeyChar, Shift);
  if (self.Gone()) return;
  Normalize();
  const int old = caret_;
  const rtl::TShiftState keys = Modifiers(Shift);
  const bool ctrlOnly = keys == rtl::TShiftState{rtl::ssCtrl};
  const bool shiftOnly = keys == rtl::TShiftState{rtl::ssShift};
  bool moved = false;
  switch (Key) {
    case win::VK_BACK:
    case win::VK_DELETE: {
      if (readOnly_) break;
      if (selLength_ == 0) {
        std::u16string t = text_;
        int c = caret_;
        // A character outside the 16-bit plane goes whole, both halves of its pair.
        const int n = Key == win::VK_BACK ? vg::UnitsBefore(t, c) : vg::UnitsAt(t, c);
        if (Key == win::VK_BACK) c -= n;
        if (n > 0) t.erase(static_cast<size_t>(c), static_cast<size_t>(n));
        SetText(t);
        if (self.Gone()) return;
        SetCaretPosition(c);
      } else if (shiftOnly) {
        CutToClipboard();
      } else {
        DeleteSelection();
      }
      if (self.Gone()) return;
      OnTyping(this);
      if (self.Gone()) return;
      break;
    }
    case win::VK_RETURN:
      CommitChange();
      if (self.Gone()) return;
      break;
    case win::VK_END:
      SetCaretPosition(Length());
      moved = true;
      break;
    case win::VK_HOME:
      SetCaretPosition(0);
      moved = true;
      break;
    case win::VK_LEFT:
      SetCaretPosition(Shift.Contains(rtl::ssCtrl) ? PrevWordStart(text_, caret_)
                                                   : caret_ - std::max(1, vg::UnitsBefore(text_, caret_)));
      moved = true;
      break;
    case win::VK_RIGHT:
      SetCaretPosition(Shift.Contains(rtl::ssCtrl) ? NextWordStart(text_, caret_)
                                                   : caret_ + std::max(1, vg::UnitsAt(text_, caret_)));
      moved = true;
      break;
    case win::VK_INSERT:
      if (ctrlOnly) {
        CopyToClipboard();
      } else if (shiftOnly) {
        PasteFromClipboard();
        OnTyping(this);
        if (self.Gone()) return;
      }
      break;
    default: break;
  }
  if (ctrlOnly) {
    switch (KeyChar) {
      case u'a':
      case u'A':
        KeyChar = 0;
        SelectAll();
        break;
      case u'c':
      case u'C':
        KeyChar = 0;
        CopyToClipboard();
        break;
      case u'v':
      case u'V':
        KeyChar = 0;
        PasteFromClipboard();
        OnTyping(this);
        if (self.Gone()) return;
        break;
      case u'x':
      case u'X':
        KeyChar = 0;
        CutToClipboard();
        break;
      case u'z':
      case u'Z': KeyChar = 0; break;  // no undo
      default: break;
    }
  }
  if (moved) {
    if (Shift.Contains(rtl::ssShift)) {
      anchor_ = caret_;
      selLength_ += old - caret_;
    } else {
      selLength_ = 0;
    }
    Repaint();
  }
  if (vg::TypesChar(KeyChar, Shift) && !readOnly_) {
    // A character outside the 16-bit plane comes as its two halves, one after the other: the
    // first waits for the second, and the two go in as one character or not at all (a half
    // that comes alone types nothing).
    if (const std::u16string typed = typed_.Take(KeyChar); !typed.empty()) {
      InsertText(typed);
      OnTyping(this);
      if (self.Gone()) return;
    }
  } else {
    // Only the very next key may bring a waiting first half's second.
    typed_.Forget();
  }
  SetCaretPosition(caret_);
}

void TdxTextBox3D::EnterFocus() {
  TdxShape3D::EnterFocus();
  Normalize();
  // A left press that brings the focus puts the caret where it lands, in the text as shown.
  if (!focusPress_) SetCaretPosition(Length());
  changed_ = false;
}

void TdxTextBox3D::KillFocus() {
  typed_.Forget();
  TdxFreeWatch self(this);
  TdxShape3D::KillFocus();
  if (!self.Gone()) CommitChange();
}

void TdxTextBox3D::ContextMenu(int X, int Y) {
  TdxFreeWatch self(this);
  TdxShape3D::ContextMenu(X, Y);
  if (self.Gone() || ComponentState().Contains(rtl::csDesigning)) return;
  Normalize();
  vg::EnableEditMenuItems(menu_.get(), SelLength() > 0, readOnly_, SelText() == text_);
  menu_->SetPopupComponent(this);
  menu_->Popup(X, Y);
}

bool TdxTextBox3D::TextInput(TdxTextInputInfo& Info) {
  vg::TvxFont font;
  font.Assign(font_.get());
  Info.Font = vg::CompositionFontOf(font);
  Normalize();
  // The caret's top in the box's own frame: its 2D Y runs down on the screen, up through the
  // camera. Through the camera the point is where it shows.
  const float top = font_->Size() / 20;
  const bool screen = Projection() == dxProjectionScreen;
  TdxVector p = LocalToAbsolute({CharX(caret_) - Width() / 2, screen ? -top : top, 0, 1});
  if (IdxScene* s = Scene(); s && s->GetCanvas()) p = s->GetCanvas()->ClientPoint(screen, p);
  Info.X = p.X;
  Info.Y = p.Y;
  return true;
}

// ---- mouse ------------------------------------------------------------------------------------------------

void TdxTextBox3D::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y,
                             const TdxVector& RayPos, const TdxVector& RayDir) {
  focusPress_ = Button == rtl::mbLeft;
  TdxFreeWatch self(this);
  TdxShape3D::MouseDown(Button, Shift, X, Y, RayPos, RayDir);
  if (!self.Gone()) focusPress_ = false;
}

void TdxTextBox3D::ShapeMouseDown(rtl::TMouseButton Button, rtl::TShiftState, float X, float) {
  typed_.Forget();
  if (Button != rtl::mbLeft) return;
  selecting_ = true;
  selLength_ = 0;
  SetCaretPosition(CharIndexAt(X));
}

void TdxTextBox3D::ShapeMouseMove(rtl::TShiftState, float X, float) {
  shapeMoved_ = true;
  if (!selecting_) return;
  Normalize();
  // Past the right edge one more, so that a drag there scrolls on.
  int i = CharIndexAt(X);
  if (X > Width()) i += std::max(1, vg::UnitsAt(text_, i));
  const int old = caret_;
  SetCaretPosition(i);
  anchor_ = caret_;
  selLength_ -= caret_ - old;
  Repaint();
}

void TdxTextBox3D::ShapeMouseUp(rtl::TMouseButton, rtl::TShiftState, float, float) { selecting_ = false; }

void TdxTextBox3D::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy, const TdxVector& RayPos,
                             const TdxVector& RayDir) {
  shapeMoved_ = false;
  TdxFreeWatch self(this);
  TdxShape3D::MouseMove(Shift, X, Y, Dx, Dy, RayPos, RayDir);
  if (self.Gone() || shapeMoved_ || !selecting_ || RayDir.Z == 0) return;
  // The ray in local space meets the box's middle plane z = 0 ahead of its start.
  const float t = -RayPos.Z / RayDir.Z;
  if (!(t >= 0) || std::isinf(t)) return;
  const float x = RayPos.X + t * RayDir.X;
  const float y = RayPos.Y + t * RayDir.Y;
  if (std::isfinite(x) && std::isfinite(y)) ShapeMouseMove(Shift, x + Width() / 2, Height() / 2 - y);
}

// ---- drawing ----------------------------------------------------------------------------------------------

void TdxTextBox3D::Render() {
  TdxCanvas* canvas = GetCanvas();
  if (!canvas) return;
  Normalize();
  canvas->Font().Assign(font_.get());
  const float opacity = GetAbsoluteOpacity();
  const float w = Width(), h = Height(), d = Depth();
  const float size = font_->Size();
  const int len = Length();
  if (password_) {
    // A square for each character in view, centred on the middle line.
    const float a = PasswordCharWidth(), side = size / 10 * 0.4f;
    if (a > 0 && side > 0)
      for (int k = 0, i = firstVisible_ - 1; i < len && static_cast<float>(k) * a < w;
           ++k, i += std::max(1, vg::UnitsAt(text_, i))) {
        const float x = static_cast<float>(k) * a;
        canvas->FillRect(Rect(x, h / 2 - side / 2, x + side, h / 2 + side / 2), d, opacity);
      }
  } else if (len > 0) {
    // The whole characters from the first visible one that fit in the box, as outlines laid
    // out in the box at ten font pixels a unit.
    const int count = FitCount(w);
    vg::TvxCanvas* flat = count > 0 ? MeasureCanvas() : nullptr;
    vg::TvxPathData path;
    const vg::TvxRect layout = Rect(0, 0, w * 10, h * 10);
    if (flat && flat->TextToPath(&path, layout,
                                 text_.substr(static_cast<size_t>(firstVisible_ - 1), static_cast<size_t>(count)),
                                 false, vg::vgTextAlignNear, vg::vgTextAlignCenter)) {
      std::vector<vg::TvxPoint> polygon;
      vg::TvxPoint bounds;
      path.FlattenToPolygon(polygon, bounds, GlyphFlatness);
      if (bounds.X > 0 && bounds.Y > 0) DrawSides(polygon, FrameCenter(), {w, h, d, 0}, layout);
    }
  }
  if (showBackground_) {
    canvas->Material().SetDiffuseColor(background_);
    canvas->FillCube(FrameCenter(), {w, h, 0.01f, 0}, opacity);
  }
  if (!IsFocused()) return;
  canvas->Material().SetDiffuseColor(selection_);
  if (SelLength() > 0) {
    // The band within the box.
    const int start = SelStart(), end = start + SelLength();
    const float x1 = std::clamp(CharX(start), 0.0f, w);
    const bool beyond = password_ ? CharX(end) > w : WiderThan(firstVisible_ - 1, end - firstVisible_ + 1, w);
    const float x2 = beyond ? w : std::clamp(CharX(end), 0.0f, w);
    const float half = size / 10 / 1.8f;
    if (x2 > x1) canvas->FillRect(Rect(x1, h / 2 - half, x2, h / 2 + half), d + 0.002f, opacity);
  } else {
    const float x = CharX(caret_);
    if (x >= 0 && x <= w)
      canvas->FillRect(Rect(x, h / 2 - size / 20, x + size / 100, h / 2 + size / 20), d + 0.002f, opacity);
  }
}

}  // namespace dx
