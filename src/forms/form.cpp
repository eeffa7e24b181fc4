// The form and its control arrays: the controls by name, the tab order, the focus, and the
// notifications of every change to those who listen.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "forms/form_detail.hpp"
#include "forms/form_model.hpp"

namespace kx::forms {

using detail::Fail;
using detail::HasTabIndex;

// ---------------------------------------------------------------------------------------------
// ControlArray

Control& ControlArray::operator[](int index) const {
  const auto it = members_.find(index);
  if (it == members_.end()) {
    Fail(kErrNoSuchArrayElement,
         "Das Element " + name_ + "(" + std::to_string(index) + ") existiert nicht.");
  }
  return *it->second;
}

std::vector<Control*> ControlArray::Members() const {
  std::vector<Control*> result;
  result.reserve(members_.size());
  for (const auto& [index, control] : members_) result.push_back(control);
  return result;
}

// ---------------------------------------------------------------------------------------------
// Form

Form::Form(std::string name, std::string caption, int width, int height)
    : name_(std::move(name)),
      caption_(std::move(caption)),
      width_(width),
      height_(height),
      designCaption_(caption_),
      designWidth_(width),
      designHeight_(height) {}

Form::~Form() = default;

void Form::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(nullptr, Property::Caption);
}

void Form::SetWidth(int width) {
  if (width < 0) Fail(kErrInvalidValue, "Die Breite des Formulars darf nicht negativ sein.");
  if (width_ == width) return;
  width_ = width;
  Notify(nullptr, Property::Width);
}

void Form::SetHeight(int height) {
  if (height < 0) Fail(kErrInvalidValue, "Die Höhe des Formulars darf nicht negativ sein.");
  if (height_ == height) return;
  height_ = height;
  Notify(nullptr, Property::Height);
}

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  Notify(nullptr, Property::Loaded);
  if (onLoad) {
    auto handler = onLoad;
    handler(*this);
  }
}

void Form::Show() {
  Load();
  if (visible_) return;
  visible_ = true;
  Notify(nullptr, Property::Visible);
}

void Form::Hide() {
  if (!visible_) return;
  visible_ = false;
  Notify(nullptr, Property::Visible);
}

void Form::Unload() {
  if (!loaded_) return;
  if (onUnload) {
    auto handler = onUnload;
    handler(*this);
  }
  Hide();
  ChangeFocus(nullptr);
  for (Control* control : order_) {
    for (Property p : control->RestoreDesign()) Notify(control, p);
  }
  if (tabOrder_ != designTabOrder_) {
    std::vector<Control*> old = tabOrder_;
    tabOrder_ = designTabOrder_;
    for (std::size_t i = 0; i < tabOrder_.size(); ++i) {
      if (old[i] != tabOrder_[i]) Notify(tabOrder_[i], Property::TabIndex);
    }
  }
  SetCaption(designCaption_);
  SetWidth(designWidth_);
  SetHeight(designHeight_);
  loaded_ = false;
  Notify(nullptr, Property::Loaded);
}

void Form::MouseMove() {
  if (!loaded_ || !onMouseMove) return;
  auto handler = onMouseMove;
  handler(*this);
}

Control* Form::Find(std::string_view name) const {
  const auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

Control& Form::Item(std::string_view name) const {
  Control* control = Find(name);
  if (control == nullptr) {
    Fail(kErrNoSuchControl,
         "Das Steuerelement '" + std::string(name) + "' gibt es auf dem Formular nicht.");
  }
  return *control;
}

ControlArray& Form::Array(std::string_view name) const {
  const auto it = arrays_.find(name);
  if (it == arrays_.end()) {
    Fail(kErrNoSuchControl,
         "Das Steuerelementfeld '" + std::string(name) + "' gibt es auf dem Formular nicht.");
  }
  return *it->second;
}

std::vector<Control*> Form::ControlsIn(const Control& frame) const {
  std::vector<Control*> result;
  for (Control* c : order_) {
    if (c->container_ == &frame) result.push_back(c);
  }
  return result;
}

int Form::Subscribe(ChangeListener listener) {
  const int id = nextListenerId_++;
  listeners_.push_back({id, std::make_shared<ChangeListener>(std::move(listener))});
  return id;
}

void Form::Unsubscribe(int id) {
  std::erase_if(listeners_, [id](const Subscription& s) { return s.id == id; });
}

void Form::Notify(const Control* control, Property property) {
  if (listeners_.empty()) return;
  // Listeners may subscribe or unsubscribe while they are told: walk a snapshot and skip those
  // that went away in the meantime.
  const std::vector<Subscription> snapshot = listeners_;
  for (const auto& s : snapshot) {
    const bool stillThere = std::any_of(listeners_.begin(), listeners_.end(),
                                        [&](const Subscription& x) { return x.id == s.id; });
    if (stillThere && *s.listener) (*s.listener)(control, property);
  }
}

Control& Form::Create(const ControlDesign& design, std::string name, std::string arrayName,
                      int index) {
  if (byName_.count(name) != 0) throw std::logic_error("doppelter Steuerelementname " + name);
  if (design.container != nullptr &&
      (design.container->kind_ != ControlKind::Frame || &design.container->form_ != this)) {
    throw std::logic_error("Container von " + name + " ist kein Rahmen dieses Formulars");
  }
  std::unique_ptr<Control> owned(new Control(*this, design.kind, std::move(name),
                                             std::move(arrayName), index, design.container));
  Control& c = *owned;
  ControlState& s = c.state_;
  s.left = design.geometry.left;
  s.top = design.geometry.top;
  s.width = design.geometry.width;
  s.height = design.geometry.height;
  if (c.Supports(Property::Caption)) {
    s.caption = design.caption;
  } else if (c.Supports(Property::Text)) {
    s.text = design.caption;
  }
  if (c.Supports(Property::ToolTip)) s.toolTip = design.toolTip;
  c.design_ = s;
  owned_.push_back(std::move(owned));
  order_.push_back(&c);
  byName_.emplace(c.name_, &c);
  if (HasTabIndex(c.kind_)) {
    tabOrder_.push_back(&c);
    designTabOrder_.push_back(&c);
  }
  return c;
}

Control& Form::Add(const ControlDesign& design) {
  return Create(design, design.name, design.name, -1);
}

Control& Form::AddMember(const ControlDesign& design, int index) {
  if (index < 0) throw std::logic_error("negativer Index im Steuerelementfeld " + design.name);
  ControlArray& array = AddArray(design.name);
  Control& c = Create(design, design.name + "(" + std::to_string(index) + ")", design.name, index);
  array.members_.emplace(index, &c);
  return c;
}

ControlArray& Form::AddArray(const std::string& name) {
  auto it = arrays_.find(name);
  if (it == arrays_.end()) {
    it = arrays_.emplace(name, std::make_unique<ControlArray>(name)).first;
  }
  return *it->second;
}

int Form::TabIndexOf(const Control& control) const {
  const auto it = std::find(tabOrder_.begin(), tabOrder_.end(), &control);
  return it == tabOrder_.end() ? -1 : static_cast<int>(it - tabOrder_.begin());
}

void Form::MoveInTabOrder(Control& control, int tabIndex) {
  const int from = TabIndexOf(control);
  if (from < 0) return;
  const int to = std::min(tabIndex, static_cast<int>(tabOrder_.size()) - 1);
  if (from == to) return;
  tabOrder_.erase(tabOrder_.begin() + from);
  tabOrder_.insert(tabOrder_.begin() + to, &control);
  for (int i = std::min(from, to); i <= std::max(from, to); ++i) {
    Notify(tabOrder_[static_cast<std::size_t>(i)], Property::TabIndex);
  }
}

void Form::ChangeFocus(Control* control) {
  if (active_ == control) return;
  Control* old = active_;
  active_ = control;
  if (old != nullptr) Notify(old, Property::Focus);
  if (control != nullptr) Notify(control, Property::Focus);
}

}  // namespace kx::forms
