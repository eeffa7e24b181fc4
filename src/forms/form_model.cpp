#include "forms/form_model.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "forms/form_detail.hpp"
#include "support/regional.hpp"

namespace kx::forms {

namespace {

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
      return "Schaltfläche";
    case ControlKind::OptionButton:
      return "Optionsfeld";
    case ControlKind::CheckBox:
      return "Kontrollkästchen";
    case ControlKind::ListBox:
      return "Listenfeld";
    case ControlKind::ComboBox:
      return "Kombinationsfeld";
    case ControlKind::Label:
      return "Bezeichnungsfeld";
    case ControlKind::Frame:
      return "Rahmen";
    case ControlKind::TextBox:
      return "Textfeld";
    case ControlKind::DatePicker:
      return "Datumsauswahl";
    case ControlKind::ImageCombo:
      return "Bildliste";
    case ControlKind::ProgressBar:
      return "Fortschrittsanzeige";
    case ControlKind::Image:
      return "Bild";
    case ControlKind::Line:
      return "Linie";
    case ControlKind::ImageList:
      return "Bilderliste";
  }
  return "Steuerelement";
}

bool IsList(ControlKind k) {
  return k == ControlKind::ListBox || k == ControlKind::ComboBox || k == ControlKind::ImageCombo;
}

bool TakesFocus(ControlKind k) {
  switch (k) {
    case ControlKind::Button:
    case ControlKind::OptionButton:
    case ControlKind::CheckBox:
    case ControlKind::ListBox:
    case ControlKind::ComboBox:
    case ControlKind::TextBox:
    case ControlKind::DatePicker:
    case ControlKind::ImageCombo:
      return true;
    default:
      return false;
  }
}

// Earliest and latest day a date picker takes: 01.01.1601 and 31.12.9999.
Date MinPickerDate() {
  return DateSerial(1601, 1, 1);
}
Date MaxPickerDate() {
  return Date(DateSerial(9999, 12, 31).serial + 0.99998842592);
}

constexpr double kBarMin = 0.0;
constexpr double kBarMax = 100.0;

}  // namespace

namespace detail {

void Fail(std::int32_t number, std::string description) {
  throw FormError(number, std::move(description));
}

bool HasTabIndex(ControlKind k) {
  return k != ControlKind::Line && k != ControlKind::Image && k != ControlKind::ImageList;
}

}  // namespace detail

using detail::Fail;
using detail::HasTabIndex;

const char* PropertyName(Property property) {
  switch (property) {
    case Property::Caption:
      return "Caption";
    case Property::ToolTip:
      return "ToolTipText";
    case Property::Left:
      return "Left";
    case Property::Top:
      return "Top";
    case Property::Width:
      return "Width";
    case Property::Height:
      return "Height";
    case Property::Enabled:
      return "Enabled";
    case Property::Visible:
      return "Visible";
    case Property::TabStop:
      return "TabStop";
    case Property::TabIndex:
      return "TabIndex";
    case Property::Tag:
      return "Tag";
    case Property::Value:
      return "Value";
    case Property::Text:
      return "Text";
    case Property::Items:
      return "List";
    case Property::ListIndex:
      return "ListIndex";
    case Property::SelStart:
      return "SelStart";
    case Property::SelLength:
      return "SelLength";
    case Property::Focus:
      return "Focus";
    case Property::ImageList:
      return "ImageList";
    case Property::Images:
      return "ListImages";
    case Property::Repaint:
      return "Refresh";
    case Property::Loaded:
      return "Loaded";
    case Property::FontUnderline:
      return "FontUnderline";
  }
  return "?";
}

// ---------------------------------------------------------------------------------------------
// Control

Control::Control(Form& form, ControlKind kind, std::string name, std::string arrayName, int index,
                 Control* container)
    : form_(form),
      kind_(kind),
      name_(std::move(name)),
      arrayName_(std::move(arrayName)),
      index_(index),
      container_(container) {
  state_.tabStop = TakesFocus(kind);
  switch (kind) {
    case ControlKind::OptionButton:
      state_.value = false;
      break;
    case ControlKind::CheckBox:
      state_.value = std::int32_t{kUnchecked};
      break;
    case ControlKind::ProgressBar:
      state_.value = kBarMin;
      break;
    case ControlKind::DatePicker:
      state_.value = Date{};
      break;
    case ControlKind::ImageList:
      state_.visible = false;
      break;
    default:
      break;
  }
}

bool Control::Supports(Property property) const {
  const ControlKind k = kind_;
  switch (property) {
    case Property::Caption:
      return k == ControlKind::Button || k == ControlKind::OptionButton ||
             k == ControlKind::CheckBox || k == ControlKind::Label || k == ControlKind::Frame;
    case Property::ToolTip:
      return k != ControlKind::Line && k != ControlKind::ImageList;
    case Property::TabStop:
    case Property::Focus:
      return TakesFocus(k);
    case Property::TabIndex:
      return HasTabIndex(k);
    case Property::Value:
      return k == ControlKind::OptionButton || k == ControlKind::CheckBox ||
             k == ControlKind::ProgressBar || k == ControlKind::DatePicker;
    case Property::Text:
      return k == ControlKind::TextBox || IsList(k);
    case Property::Items:
    case Property::ListIndex:
      return IsList(k);
    case Property::SelStart:
    case Property::SelLength:
      return k == ControlKind::TextBox || k == ControlKind::ComboBox ||
             k == ControlKind::ImageCombo;
    case Property::ImageList:
      return k == ControlKind::ImageCombo;
    case Property::Images:
      return k == ControlKind::ImageList;
    case Property::FontUnderline:
      return k == ControlKind::Button || k == ControlKind::OptionButton ||
             k == ControlKind::CheckBox || k == ControlKind::Label || k == ControlKind::Frame ||
             k == ControlKind::TextBox;
    case Property::Loaded:
      return false;
    default:
      return true;
  }
}

void Control::Require(Property property) const {
  if (!Supports(property)) {
    Fail(kErrNotSupported, std::string("Das Steuerelement '") + name_ + "' (" + KindName(kind_) +
                               ") hat keine Eigenschaft " + PropertyName(property) + ".");
  }
}

void Control::Notify(Property property) {
  form_.Notify(this, property);
}

void Control::ResetSelection() {
  if (state_.selStart != 0) {
    state_.selStart = 0;
    Notify(Property::SelStart);
  }
  if (state_.selLength != 0) {
    state_.selLength = 0;
    Notify(Property::SelLength);
  }
}

void Control::RaiseClick() {
  if (onClick) {
    auto handler = onClick;  // the handler may replace itself
    handler(*this);
  }
}

void Control::RaiseChange() {
  if (onChange) {
    auto handler = onChange;
    handler(*this);
  }
}

const std::string& Control::Caption() const {
  Require(Property::Caption);
  return state_.caption;
}

void Control::SetCaption(std::string caption) {
  Require(Property::Caption);
  if (state_.caption == caption) return;
  state_.caption = std::move(caption);
  Notify(Property::Caption);
}

void Control::SetToolTip(std::string toolTip) {
  Require(Property::ToolTip);
  if (state_.toolTip == toolTip) return;
  state_.toolTip = std::move(toolTip);
  Notify(Property::ToolTip);
}

void Control::SetTag(std::string tag) {
  if (state_.tag == tag) return;
  state_.tag = std::move(tag);
  Notify(Property::Tag);
}

void Control::SetLeft(int left) {
  if (state_.left == left) return;
  state_.left = left;
  Notify(Property::Left);
}

void Control::SetTop(int top) {
  if (state_.top == top) return;
  state_.top = top;
  Notify(Property::Top);
}

void Control::SetWidth(int width) {
  if (width < 0) Fail(kErrInvalidValue, "Die Breite von '" + name_ + "' darf nicht negativ sein.");
  if (state_.width == width) return;
  state_.width = width;
  Notify(Property::Width);
}

void Control::SetHeight(int height) {
  if (height < 0) Fail(kErrInvalidValue, "Die Höhe von '" + name_ + "' darf nicht negativ sein.");
  if (state_.height == height) return;
  state_.height = height;
  Notify(Property::Height);
}

void Control::Move(int left, int top) {
  SetLeft(left);
  SetTop(top);
}

void Control::SetEnabled(bool enabled) {
  if (state_.enabled == enabled) return;
  state_.enabled = enabled;
  Notify(Property::Enabled);
  if (!enabled && form_.active_ == this) form_.ChangeFocus(nullptr);
}

void Control::SetVisible(bool visible) {
  if (state_.visible == visible) return;
  state_.visible = visible;
  Notify(Property::Visible);
  if (!visible && form_.active_ == this) form_.ChangeFocus(nullptr);
}

bool Control::EffectivelyEnabled() const {
  for (const Control* c = this; c != nullptr; c = c->container_) {
    if (!c->state_.enabled) return false;
  }
  return true;
}

bool Control::EffectivelyVisible() const {
  for (const Control* c = this; c != nullptr; c = c->container_) {
    if (!c->state_.visible) return false;
  }
  return true;
}

bool Control::TabStop() const {
  Require(Property::TabStop);
  return state_.tabStop;
}

void Control::SetTabStop(bool tabStop) {
  Require(Property::TabStop);
  if (state_.tabStop == tabStop) return;
  state_.tabStop = tabStop;
  Notify(Property::TabStop);
}

int Control::TabIndex() const {
  Require(Property::TabIndex);
  return form_.TabIndexOf(*this);
}

void Control::SetTabIndex(int tabIndex) {
  Require(Property::TabIndex);
  if (tabIndex < 0) {
    Fail(kErrInvalidValue, "Der Tabulatorindex von '" + name_ + "' darf nicht negativ sein.");
  }
  form_.MoveInTabOrder(*this, tabIndex);
}

kx::Value Control::Value() const {
  Require(Property::Value);
  return state_.value;
}

void Control::SwitchOn() {
  if (index_ >= 0) {
    // The other buttons of the array go off first, so that a listener never sees two on.
    for (Control* other : form_.Array(arrayName_).Members()) {
      if (other == this || other->kind_ != ControlKind::OptionButton) continue;
      if (std::get<bool>(other->state_.value)) {
        other->state_.value = false;
        other->Notify(Property::Value);
      }
    }
  }
  if (!std::get<bool>(state_.value)) {
    state_.value = true;
    Notify(Property::Value);
  }
  RaiseClick();
}

void Control::SetValue(const kx::Value& value) {
  Require(Property::Value);
  const auto mismatch = [&] {
    Fail(host::kErrTypeMismatch,
         "Der Wert passt nicht zum Steuerelement '" + name_ + "' (" + KindName(kind_) + ").");
  };
  switch (kind_) {
    case ControlKind::OptionButton: {
      bool on = false;
      if (const bool* b = std::get_if<bool>(&value)) {
        on = *b;
      } else if (const auto n = ToNumber(value); n && !std::holds_alternative<std::string>(value)) {
        on = *n != 0.0;
      } else {
        mismatch();
      }
      if (on) {
        SwitchOn();  // raises the click also when the button was on already
      } else if (std::get<bool>(state_.value)) {
        state_.value = false;
        Notify(Property::Value);
      }
      return;
    }
    case ControlKind::CheckBox: {
      int v = 0;
      if (const bool* b = std::get_if<bool>(&value)) {
        v = *b ? kChecked : kUnchecked;
      } else if (const auto n = ToNumber(value); n && !std::holds_alternative<std::string>(value)) {
        if (*n != std::floor(*n) || *n < kUnchecked || *n > kGrayed) {
          Fail(kErrInvalidValue,
               "Ein Kontrollkästchen nimmt nur die Werte 0, 1 und 2 an ('" + name_ + "').");
        }
        v = static_cast<int>(*n);
      } else {
        mismatch();
      }
      if (std::get<std::int32_t>(state_.value) == v) return;
      state_.value = std::int32_t{v};
      Notify(Property::Value);
      RaiseClick();
      return;
    }
    case ControlKind::ProgressBar: {
      const auto n = ToNumber(value);
      if (!n || std::holds_alternative<std::string>(value)) mismatch();
      if (!(*n >= kBarMin && *n <= kBarMax)) {
        Fail(kErrInvalidValue,
             "Der Wert der Fortschrittsanzeige '" + name_ + "' muss zwischen 0 und 100 liegen.");
      }
      if (std::get<double>(state_.value) == *n) return;
      state_.value = *n;
      Notify(Property::Value);
      return;
    }
    case ControlKind::DatePicker: {
      std::optional<Date> d;
      if (std::holds_alternative<Date>(value) || std::holds_alternative<std::string>(value)) {
        d = ToDate(value);
      }
      if (!d) {
        if (std::holds_alternative<std::string>(value)) {
          Fail(kErrInvalidValue, "'" + std::get<std::string>(value) +
                                     "' ist kein gültiges Datum für '" + name_ + "'.");
        }
        mismatch();
      }
      if (*d < MinPickerDate() || *d > MaxPickerDate()) {
        Fail(kErrInvalidValue, "Das Datum für '" + name_ +
                                   "' muss zwischen dem 01.01.1601 und dem 31.12.9999 liegen.");
      }
      if (std::get<Date>(state_.value) == *d) return;
      state_.value = *d;
      Notify(Property::Value);
      RaiseChange();
      return;
    }
    default:
      mismatch();
  }
}

bool Control::IsOn() const {
  if (kind_ != ControlKind::OptionButton) {
    Fail(kErrNotSupported, "'" + name_ + "' ist kein Optionsfeld.");
  }
  return std::get<bool>(state_.value);
}

int Control::CheckValue() const {
  if (kind_ != ControlKind::CheckBox) {
    Fail(kErrNotSupported, "'" + name_ + "' ist kein Kontrollkästchen.");
  }
  return std::get<std::int32_t>(state_.value);
}

double Control::BarValue() const {
  if (kind_ != ControlKind::ProgressBar) {
    Fail(kErrNotSupported, "'" + name_ + "' ist keine Fortschrittsanzeige.");
  }
  return std::get<double>(state_.value);
}

Date Control::DateValue() const {
  if (kind_ != ControlKind::DatePicker) {
    Fail(kErrNotSupported, "'" + name_ + "' ist keine Datumsauswahl.");
  }
  return std::get<Date>(state_.value);
}

const std::string& Control::Text() const {
  Require(Property::Text);
  return state_.text;
}

void Control::SetText(std::string text) {
  Require(Property::Text);
  bool indexChanged = false;
  if (IsList(kind_)) {
    int found = -1;
    for (std::size_t i = 0; i < state_.items.size(); ++i) {
      if (state_.items[i].text == text) {
        found = static_cast<int>(i);
        break;
      }
    }
    // A plain list box shows only its items: a text that is none of them selects nothing.
    if (kind_ == ControlKind::ListBox && found < 0) text.clear();
    indexChanged = state_.listIndex != found;
    state_.listIndex = found;
  }
  const bool textChanged = state_.text != text;
  state_.text = std::move(text);
  const bool selChanged = state_.selStart > static_cast<int>(state_.text.size()) ||
                          state_.selStart + state_.selLength > static_cast<int>(state_.text.size());
  if (selChanged) {
    state_.selStart = std::min(state_.selStart, static_cast<int>(state_.text.size()));
    state_.selLength = static_cast<int>(state_.text.size()) - state_.selStart;
  }
  if (indexChanged) Notify(Property::ListIndex);
  if (selChanged) {
    Notify(Property::SelStart);
    Notify(Property::SelLength);
  }
  if (!textChanged) return;
  Notify(Property::Text);
  RaiseChange();
}

int Control::SelStart() const {
  Require(Property::SelStart);
  return state_.selStart;
}

int Control::SelLength() const {
  Require(Property::SelLength);
  return state_.selLength;
}

void Control::SetSelStart(int start) {
  Require(Property::SelStart);
  if (start < 0 || start > static_cast<int>(state_.text.size())) {
    Fail(kErrInvalidValue, "Der Markierungsanfang liegt außerhalb des Textes von '" + name_ + "'.");
  }
  if (state_.selStart != start) {
    state_.selStart = start;
    Notify(Property::SelStart);
  }
  // The selection never reaches beyond the text.
  const int room = static_cast<int>(state_.text.size()) - start;
  if (state_.selLength > room) {
    state_.selLength = room;
    Notify(Property::SelLength);
  }
}

void Control::SetSelLength(int length) {
  Require(Property::SelLength);
  if (length < 0) {
    Fail(kErrInvalidValue, "Die Markierungslänge von '" + name_ + "' darf nicht negativ sein.");
  }
  length = std::min(length, static_cast<int>(state_.text.size()) - state_.selStart);
  if (state_.selLength == length) return;
  state_.selLength = length;
  Notify(Property::SelLength);
}

void Control::SetFocus() {
  Require(Property::Focus);
  if (!EffectivelyEnabled() || !EffectivelyVisible()) {
    Fail(kErrInvalidCall, "'" + name_ +
                              "' kann den Fokus nicht erhalten, solange es deaktiviert oder "
                              "ausgeblendet ist.");
  }
  form_.ChangeFocus(this);
}

bool Control::HasFocus() const {
  return form_.active_ == this;
}

bool Control::FontUnderline() const {
  Require(Property::FontUnderline);
  return state_.fontUnderline;
}

void Control::SetFontUnderline(bool underline) {
  Require(Property::FontUnderline);
  if (state_.fontUnderline == underline) return;
  state_.fontUnderline = underline;
  Notify(Property::FontUnderline);
}

void Control::Repaint() {
  ++repaints_;
  Notify(Property::Repaint);
}

bool Control::Click() {
  if (!EffectivelyEnabled() || !EffectivelyVisible()) return false;
  switch (kind_) {
    case ControlKind::OptionButton:
      SwitchOn();
      break;
    case ControlKind::CheckBox:
      SetValue(std::int32_t{CheckValue() == kChecked ? kUnchecked : kChecked});
      break;
    default:
      RaiseClick();
      break;
  }
  return true;
}

bool Control::Pick(int index) {
  Require(Property::ListIndex);
  if (!EffectivelyEnabled() || !EffectivelyVisible()) return false;
  if (index == state_.listIndex) {
    RaiseClick();
  } else {
    SetListIndex(index);
  }
  return true;
}

bool Control::MouseMove() {
  if (!EffectivelyEnabled() || !EffectivelyVisible()) return false;
  if (onMouseMove) {
    auto handler = onMouseMove;
    handler(*this);
  }
  return true;
}

bool Control::Type(std::string text) {
  Require(Property::Text);
  if (!EffectivelyEnabled() || !EffectivelyVisible()) return false;
  SetText(std::move(text));
  return true;
}

std::vector<Property> Control::RestoreDesign() {
  std::vector<Property> changed;
  const ControlState& d = design_;
  ControlState& s = state_;
  const auto note = [&](bool differs, Property p) {
    if (differs) changed.push_back(p);
  };
  note(s.caption != d.caption, Property::Caption);
  note(s.toolTip != d.toolTip, Property::ToolTip);
  note(s.tag != d.tag, Property::Tag);
  note(s.text != d.text, Property::Text);
  note(s.left != d.left, Property::Left);
  note(s.top != d.top, Property::Top);
  note(s.width != d.width, Property::Width);
  note(s.height != d.height, Property::Height);
  note(s.enabled != d.enabled, Property::Enabled);
  note(s.visible != d.visible, Property::Visible);
  note(s.tabStop != d.tabStop, Property::TabStop);
  note(s.value != d.value, Property::Value);
  note(s.items != d.items, Property::Items);
  note(s.listIndex != d.listIndex, Property::ListIndex);
  note(s.selStart != d.selStart, Property::SelStart);
  note(s.selLength != d.selLength, Property::SelLength);
  note(s.imageList != d.imageList, Property::ImageList);
  note(s.images.size() != d.images.size(), Property::Images);
  note(s.fontUnderline != d.fontUnderline, Property::FontUnderline);
  state_ = design_;
  return changed;
}

}  // namespace kx::forms
