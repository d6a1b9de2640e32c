#include "platform/gfx2d/Text.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <list>
#include <memory>
#include <unordered_map>

#include <hb-ot.h>
#include <pango/pangocairo.h>

#include "platform/gfx2d/Fonts.h"
#include "platform/gfx2d/Graphics.h"

namespace gfx2d {

namespace {

// Larger em sizes would overflow pango's fixed-point units in the layout.
constexpr float MaxEmSize = 32768;

// UTF-8 for pango, which needs it valid: the text ends at its first U+0000, and a lone
// surrogate becomes U+FFFD.
std::string ToUtf8(const std::u16string& S) {
  std::string out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    uint32_t c = S[i];
    if (c == 0) break;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < S.size() && S[i + 1] >= 0xDC00 && S[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (S[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void SetFontOptions(PangoContext* Context, TextRenderingHint Hint) {
  cairo_font_options_t* o = cairo_font_options_create();
  switch (Hint) {
    case TextRenderingHint::AntiAlias:
      cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
      cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
      cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
      break;
    case TextRenderingHint::ClearTypeGridFit:
      cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
      cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_FULL);
      cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
      break;
    case TextRenderingHint::SystemDefault: break;
  }
  pango_cairo_context_set_font_options(Context, o);
  cairo_font_options_destroy(o);
}

PangoAlignment ToPango(StringAlignment A) {
  switch (A) {
    case StringAlignment::Center: return PANGO_ALIGN_CENTER;
    case StringAlignment::Far: return PANGO_ALIGN_RIGHT;
    case StringAlignment::Near: break;
  }
  return PANGO_ALIGN_LEFT;
}

// Where a block of Size starts in a span from Start of Length (which may be 0).
double Place(StringAlignment A, double Start, double Length, double Size) {
  switch (A) {
    case StringAlignment::Center: return Start + (Length - Size) / 2;
    case StringAlignment::Far: return Start + Length - Size;
    case StringAlignment::Near: break;
  }
  return Start;
}

// The height of a line of text in F: the font's Windows ascent plus descent (the cell
// height that lines are stacked by on the platform the layouts were designed on), scaled
// to the em size; 0 when the font does not give them.
double CellLineHeight(PangoContext* Context, const PangoFontDescription* Description, float EmSize) {
  PangoFont* font = pango_context_load_font(Context, Description);
  if (!font) return 0;
  double height = 0;
  if (hb_font_t* hb = pango_font_get_hb_font(font)) {
    hb_position_t ascent = 0, descent = 0;
    int xScale = 0, yScale = 0;
    hb_font_get_scale(hb, &xScale, &yScale);
    if (yScale != 0 && hb_ot_metrics_get_position(hb, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_ASCENT, &ascent) &&
        hb_ot_metrics_get_position(hb, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_DESCENT, &descent))
      height = (std::abs(static_cast<double>(ascent)) + std::abs(static_cast<double>(descent))) / std::abs(yScale) *
               static_cast<double>(EmSize);
  }
  g_object_unref(font);
  return std::isfinite(height) && height > 0 ? height : 0;
}

}  // namespace

// A string laid out for a rectangle's width: the pango layout and the logical extents of its
// lines. Where the block goes in the rectangle is worked out per use (Place), so one laid-out
// string serves every rectangle of the same width.
class TextLayout {
public:
  TextLayout(PangoContext* Context, const std::string& Utf8, const Font& F, const RectF& R, const StringFormat& Format)
      : layout_(pango_layout_new(Context)), serial_(pango_context_get_serial(Context)) {
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, F.Family.c_str());
    pango_font_description_set_absolute_size(d, static_cast<double>(F.EmSize) * PANGO_SCALE);
    pango_font_description_set_weight(d, (F.Style & FontStyleBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(d, (F.Style & FontStyleItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout_, d);
    const double lineHeight = CellLineHeight(Context, d, F.EmSize);
    pango_font_description_free(d);
    PangoAttrList* attrs = pango_attr_list_new();
    if (F.Style & FontStyleUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (F.Style & FontStyleStrikeout) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    // Every line, the first too, is as high as the font's cell, for measuring and drawing alike.
    if (lineHeight > 0 && lineHeight * PANGO_SCALE < INT_MAX)
      pango_attr_list_insert(attrs, pango_attr_line_height_new_absolute(static_cast<int>(lineHeight * PANGO_SCALE)));
    pango_layout_set_attributes(layout_, attrs);
    pango_attr_list_unref(attrs);
    // Lines run left to right whatever the script, so Near is always the left side.
    pango_layout_set_auto_dir(layout_, FALSE);
    pango_layout_set_text(layout_, Utf8.data(), static_cast<int>(Utf8.size()));
    pango_layout_set_alignment(layout_, ToPango(Format.Align));
    const double width = WrapWidth(R, Format);
    wrapped_ = width > 0;
    if (wrapped_) {
      pango_layout_set_width(layout_, static_cast<int>(width * PANGO_SCALE));
      pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
    }
    PangoRectangle logical;
    pango_layout_get_extents(layout_, nullptr, &logical);
    lx_ = static_cast<double>(logical.x) / PANGO_SCALE;
    ly_ = static_cast<double>(logical.y) / PANGO_SCALE;
    lw_ = static_cast<double>(logical.width) / PANGO_SCALE;
    lh_ = static_cast<double>(logical.height) / PANGO_SCALE;
  }
  ~TextLayout() { g_object_unref(layout_); }
  TextLayout(const TextLayout&) = delete;
  TextLayout& operator=(const TextLayout&) = delete;

  // The width the lines wrap at; 0 when they do not wrap.
  static double WrapWidth(const RectF& R, const StringFormat& Format) {
    const double width = std::max(0.0, static_cast<double>(R.Width));
    return !(Format.Flags & StringFormatFlagsNoWrap) && width > 0 && width * PANGO_SCALE < INT_MAX ? width : 0;
  }

  // Where the layout's top-left corner goes for R, and the bounds of its lines in user space.
  void Place(const RectF& R, const StringFormat& Format, double& X, double& Y, RectF& Bounds) const {
    const double width = std::max(0.0, static_cast<double>(R.Width));
    const double height = std::max(0.0, static_cast<double>(R.Height));
    // A wrapped layout has the rectangle's width and aligns its lines in it; otherwise the
    // block (whose lines pango aligns to each other) is placed as a whole.
    X = wrapped_ ? R.X : gfx2d::Place(Format.Align, R.X, width, lw_) - lx_;
    Y = gfx2d::Place(Format.LineAlign, R.Y, height, lh_) - ly_;
    Bounds = {static_cast<float>(X + lx_), static_cast<float>(Y + ly_), static_cast<float>(lw_),
              static_cast<float>(lh_)};
  }

  PangoLayout* Layout() const { return layout_; }
  // The context's state the layout was made in (its transform, options and fonts).
  guint Serial() const { return serial_; }

private:
  PangoLayout* layout_;
  guint serial_;
  bool wrapped_ = false;
  double lx_ = 0, ly_ = 0, lw_ = 0, lh_ = 0;
};

// The strings a graphics laid out, kept for the next draw or measure of the same string: each
// hint has a text context of its own (so switching hints changes no context), and each
// context keeps its most recently used layouts. A layout is used again only while its context
// is as it was made (pango counts every change of transform scale, font options or the set of
// fonts in the context's serial); otherwise it is made anew.
struct TextCache {
  // Layouts kept per context, and the longest string kept (longer ones are laid out per use).
  static constexpr size_t MaxEntries = 128;
  static constexpr size_t MaxTextBytes = 1024;

  struct Key {
    std::string Text;
    std::string Family;
    float EmSize;
    int Style;
    int Align;
    double WrapWidth;
    bool operator==(const Key& K) const {
      return EmSize == K.EmSize && Style == K.Style && Align == K.Align && WrapWidth == K.WrapWidth &&
             Family == K.Family && Text == K.Text;
    }
  };
  struct KeyHash {
    size_t operator()(const Key& K) const {
      size_t h = std::hash<std::string>()(K.Text);
      auto mix = [&h](size_t V) { h ^= V + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
      mix(std::hash<std::string>()(K.Family));
      mix(std::hash<float>()(K.EmSize));
      mix(static_cast<size_t>(K.Style) * 31u + static_cast<size_t>(K.Align));
      mix(std::hash<double>()(K.WrapWidth));
      return h;
    }
  };
  struct Entry {
    Key K;
    std::unique_ptr<TextLayout> Laid;
  };
  struct PerHint {
    PangoContext* Context = nullptr;
    // The linear part of the transform the context lays out under (LayoutTransform): pango
    // counts every setting of a transform that is not the identity as a change, so an
    // unchanged one is not set again.
    double XX = 1, YX = 0, XY = 0, YY = 1;
    // Whether the glyph-position rounding has been set for the context.
    bool RoundSet = false;
    std::list<Entry> Recent;  // most recently used first
    std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> Index;
  };

  ~TextCache() {
    for (PerHint& h : Hints) {
      h.Index.clear();
      h.Recent.clear();
      if (h.Context) g_object_unref(h.Context);
    }
  }

  // The transform that text drawn through M is laid out under. Pango works a line's advances
  // out at the font size the transform's vertical scale gives and takes them back to the user
  // space by the horizontal scale, so on the device they come out at the vertical scale
  // whatever the horizontal one is: it lays out right only under a transform that scales both
  // ways alike (uniform, turned or mirrored). Through one that stretches one way more (a panel
  // widened by its horizontal scale) the glyphs would widen and their advances not, each glyph
  // running into the next (or, squeezed, standing apart). Such text is laid out under the
  // uniform scale of its vertical one instead: its advances in the user space are then those
  // of the unstretched text, and the transform stretches glyphs and advances alike as it draws.
  static cairo_matrix_t LayoutTransform(const cairo_matrix_t& M) {
    const double across = M.xx * M.xx + M.yx * M.yx, down = M.xy * M.xy + M.yy * M.yy;
    const double skew = M.xx * M.xy + M.yx * M.yy;
    const double tolerance = 1e-6 * std::max(across, down);
    cairo_matrix_t laid = M;
    laid.x0 = laid.y0 = 0;
    if (std::abs(across - down) <= tolerance && std::abs(skew) <= tolerance) return laid;
    const double scale = std::sqrt(down);
    cairo_matrix_init_scale(&laid, scale, scale);
    return laid;
  }

  // The context for Hint, brought up to date with the cairo context's transform.
  PerHint& For(cairo_t* Cr, TextRenderingHint Hint) {
    PerHint& h = Hints[Hint == TextRenderingHint::AntiAlias ? 1 : Hint == TextRenderingHint::ClearTypeGridFit ? 2 : 0];
    cairo_matrix_t ctm;
    cairo_get_matrix(Cr, &ctm);
    const cairo_matrix_t m = LayoutTransform(ctm);
    const bool changed = m.xx != h.XX || m.yx != h.YX || m.xy != h.XY || m.yy != h.YY;
    const bool identity = m.xx == 1 && m.yx == 0 && m.xy == 0 && m.yy == 1;
    const bool made = !h.Context;
    if (made) {
      // Made with the cairo context's own transform, which is set again below.
      h.Context = MakeTextContext(Cr);
      SetFontOptions(h.Context, Hint);
    }
    if (made || changed) {
      const PangoMatrix pm{m.xx, m.xy, m.yx, m.yy, 0, 0};
      pango_context_set_matrix(h.Context, identity ? nullptr : &pm);
    }
    // Through a transform that is not the identity's (a window made larger scales its layer)
    // a whole unit of the user space is not a pixel: glyph positions rounded to whole units
    // would spread the letters apart (or press them together), so they are kept as they are.
    // Nor are they rounded for glyphs that are not fitted to the grid: each unhinted glyph
    // moved to its nearest pixel leaves gaps of up to a pixel inside words ("com puter"), where
    // the same text through a scaled layer is even.
    if (changed || !h.RoundSet) {
      pango_context_set_round_glyph_positions(h.Context, Hint != TextRenderingHint::AntiAlias && identity);
      h.RoundSet = true;
    }
    h.XX = m.xx;
    h.YX = m.yx;
    h.XY = m.xy;
    h.YY = m.yy;
    return h;
  }

  // Utf8 in F laid out for R in the hint's context, made now or kept from before.
  const TextLayout& Lay(cairo_t* Cr, TextRenderingHint Hint, const std::string& Utf8, const Font& F, const RectF& R,
                        const StringFormat& Format, std::unique_ptr<TextLayout>& Once) {
    PerHint& h = For(Cr, Hint);
    if (Utf8.size() > MaxTextBytes) {
      Once = std::make_unique<TextLayout>(h.Context, Utf8, F, R, Format);
      ++Made;
      return *Once;
    }
    Key k{Utf8, F.Family, F.EmSize, F.Style, static_cast<int>(Format.Align), TextLayout::WrapWidth(R, Format)};
    const guint serial = pango_context_get_serial(h.Context);
    if (auto at = h.Index.find(k); at != h.Index.end()) {
      if (at->second->Laid->Serial() == serial) {
        h.Recent.splice(h.Recent.begin(), h.Recent, at->second);
        return *at->second->Laid;
      }
      h.Recent.erase(at->second);
      h.Index.erase(at);
    }
    auto laid = std::make_unique<TextLayout>(h.Context, Utf8, F, R, Format);
    ++Made;
    h.Recent.push_front(Entry{k, std::move(laid)});
    h.Index.emplace(std::move(k), h.Recent.begin());
    if (h.Recent.size() > MaxEntries) {
      h.Index.erase(h.Recent.back().K);
      h.Recent.pop_back();
    }
    return *h.Recent.front().Laid;
  }

  // How many layouts are kept, over all hints.
  size_t Count() const { return Hints[0].Recent.size() + Hints[1].Recent.size() + Hints[2].Recent.size(); }

  PerHint Hints[3];
  size_t Made = 0;
};

void TextCacheDeleter::operator()(TextCache* Cache) const { delete Cache; }

bool Font::IsValid() const { return IsFinite(EmSize) && EmSize > 0 && EmSize <= MaxEmSize; }

// ---- families ------------------------------------------------------------------------------------

std::unique_ptr<FontFamily> FontFamily::FromName(const std::string& Name, const PrivateFontCollection* Collection) {
  RegisterDefaultFonts();
  if ((Collection && Collection->HasFamily(Name)) || FontFamilyExists(Name))
    return std::unique_ptr<FontFamily>(new FontFamily(Name));
  return nullptr;
}

std::unique_ptr<FontFamily> FontFamily::GenericSansSerif() {
  return std::unique_ptr<FontFamily>(new FontFamily(GenericSansSerifFamily()));
}

bool FontFamily::IsStyleAvailable(int Style) const {
  return FontStyleAvailable(name_, (Style & FontStyleBold) != 0, (Style & FontStyleItalic) != 0);
}

PrivateFontCollection::~PrivateFontCollection() {
  for (const auto& key : fontKeys_) ReleaseMemoryFont(key);
}

bool PrivateFontCollection::AddMemoryFont(const void* Data, size_t Size) {
  const MemoryFont added = AddFontFromMemory(static_cast<const uint8_t*>(Data), Size);
  if (added.Families.empty()) return false;
  if (std::find(fontKeys_.begin(), fontKeys_.end(), added.Key) != fontKeys_.end())
    ReleaseMemoryFont(added.Key);  // held already: one use per collection
  else
    fontKeys_.push_back(added.Key);
  for (const auto& f : added.Families)
    if (!HasFamily(f)) families_.push_back(f);
  return true;
}

bool PrivateFontCollection::HasFamily(const std::string& Name) const {
  return std::any_of(families_.begin(), families_.end(),
                     [&](const std::string& f) { return ::strcasecmp(f.c_str(), Name.c_str()) == 0; });
}

// ---- drawing and measuring ----------------------------------------------------------------------

void Graphics::DrawString(const std::u16string& Text, const Font& F, const RectF& Layout, const StringFormat& Format,
                          const Brush& B) {
  if (degenerate_ || !F.IsValid() || !IsFinite(Layout)) return;
  const float alpha = B.Alpha();
  if (!(alpha > 0)) return;
  const std::string utf8 = ToUtf8(Text);
  if (utf8.empty()) return;
  if (!text_) text_.reset(new TextCache);
  std::unique_ptr<TextLayout> once;
  const TextLayout& laid = text_->Lay(cr_, textHint_, utf8, F, Layout, Format, once);
  double x = 0, y = 0;
  RectF bounds;
  laid.Place(Layout, Format, x, y, bounds);
  // Glyph images are put on whole pixels, each rounded on its own: for glyphs fitted to the
  // grid their positions are whole already, but unfitted ones would stand unevenly in their
  // words ("Ком пьютер"). Those are filled as outlines at their own positions instead, as
  // the same text looks through a scaled layer.
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  const bool outlines =
      textHint_ == TextRenderingHint::AntiAlias && m.xx == 1 && m.yx == 0 && m.xy == 0 && m.yy == 1;
  auto show = [&] {
    if (outlines) {
      pango_cairo_layout_path(cr_, laid.Layout());
      cairo_fill(cr_);
    } else {
      pango_cairo_show_layout(cr_, laid.Layout());
    }
  };
  cairo_save(cr_);
  if (SetSource(B)) {
    cairo_move_to(cr_, x, y);
    if (alpha < 1) {
      cairo_push_group(cr_);
      show();
      cairo_pop_group_to_source(cr_);
      cairo_paint_with_alpha(cr_, alpha);
    } else {
      show();
    }
  }
  cairo_new_path(cr_);
  cairo_restore(cr_);
}

bool Graphics::MeasureString(const std::u16string& Text, const Font& F, const RectF& Layout,
                             const StringFormat& Format, RectF& Bounds) {
  if (!F.IsValid() || !IsFinite(Layout)) return false;
  const std::string utf8 = ToUtf8(Text);
  if (utf8.empty()) return false;
  if (!text_) text_.reset(new TextCache);
  std::unique_ptr<TextLayout> once;
  const TextLayout& laid = text_->Lay(cr_, textHint_, utf8, F, Layout, Format, once);
  double x = 0, y = 0;
  laid.Place(Layout, Format, x, y, Bounds);
  return true;
}

size_t Graphics::KeptTextLayouts() const { return text_ ? text_->Count() : 0; }
size_t Graphics::TextLayoutsMade() const { return text_ ? text_->Made : 0; }

// ---- outlines -----------------------------------------------------------------------------------

bool AddPathString(PathData& Path, const std::u16string& Text, const Font& F, const RectF& Layout,
                   const StringFormat& Format) {
  Path.Points.clear();
  Path.Types.clear();
  if (!F.IsValid() || !IsFinite(Layout)) return false;
  const std::string utf8 = ToUtf8(Text);
  if (utf8.empty()) return false;
  // Outlines are taken unhinted, at identity, on a scratch surface without bounds: pango
  // leaves out the glyphs that lie outside the surface's clip, so a bounded one (however
  // large) would cut text laid out beyond its edges.
  cairo_surface_t* surface = cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return false;
  }
  cairo_t* cr = cairo_create(surface);
  PangoContext* context = MakeTextContext(cr);
  SetFontOptions(context, TextRenderingHint::AntiAlias);
  bool ok = false;
  {
    TextLayout laid(context, utf8, F, Layout, Format);
    double x = 0, y = 0;
    RectF bounds;
    laid.Place(Layout, Format, x, y, bounds);
    cairo_move_to(cr, x, y);
    pango_cairo_layout_path(cr, laid.Layout());
    cairo_path_t* path = cairo_copy_path(cr);
    if (path && path->status == CAIRO_STATUS_SUCCESS) {
      // cairo starts a figure after every close at the closed figure's start; such a
      // start is kept back until a segment follows it, so empty figures never appear.
      PointF pending;
      bool hasPending = false, figureOpen = false;
      auto start = [&](PointF P) {
        Path.Points.push_back(P);
        Path.Types.push_back(PathPointTypeStart);
        figureOpen = true;
        hasPending = false;
      };
      for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* d = &path->data[i];
        auto pt = [&](int k) {
          return PointF{static_cast<float>(d[k].point.x), static_cast<float>(d[k].point.y)};
        };
        switch (d->header.type) {
          case CAIRO_PATH_MOVE_TO:
            pending = pt(1);
            hasPending = true;
            figureOpen = false;
            break;
          case CAIRO_PATH_LINE_TO:
            if (hasPending || !figureOpen) start(hasPending ? pending : pt(1));
            Path.Points.push_back(pt(1));
            Path.Types.push_back(PathPointTypeLine);
            break;
          case CAIRO_PATH_CURVE_TO:
            if (hasPending || !figureOpen) start(hasPending ? pending : pt(1));
            for (int k = 1; k <= 3; ++k) {
              Path.Points.push_back(pt(k));
              Path.Types.push_back(PathPointTypeBezier);
            }
            break;
          case CAIRO_PATH_CLOSE_PATH:
            if (figureOpen && !Path.Types.empty()) Path.Types.back() |= PathPointTypeCloseSubpath;
            figureOpen = false;
            break;
        }
      }
      ok = true;
    }
    if (path) cairo_path_destroy(path);
  }
  g_object_unref(context);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  if (!ok) {
    Path.Points.clear();
    Path.Types.clear();
  }
  return ok;
}

}  // namespace gfx2d
