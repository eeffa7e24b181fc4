#pragma once
// A form and its controls without any window toolkit. The chart engine fills the lists and
// drives the progress controls, the wizard logic connects the event handlers, and a view mirrors
// the model by listening to its change notifications.
//
// Events follow the rules of the classic form controls: switching an option button on from code,
// changing a check box's value from code, or changing a list's selected item from code raises the
// control's click handler just as a user's click does. Failures (a control or index that does not
// exist, a value the control cannot take) throw FormError, a host::HostError, so that a caller in
// skip-and-continue mode passes over the step.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/error.hpp"
#include "forms/image.hpp"
#include "support/date.hpp"
#include "support/value.hpp"

namespace kx::forms {

// Error numbers of the form model.
enum FormErrorNumber : std::int32_t {
  kErrInvalidCall = 5,           // the control cannot do this now (focus on a disabled control)
  kErrNoObject = 91,             // no item is selected
  kErrNoSuchArrayElement = 340,  // a control array has no member with this index
  kErrInvalidValue = 380,        // a value the property cannot take
  kErrInvalidIndex = 381,        // a list position that does not exist
  kErrNotSupported = 438,        // the control has no such property
  kErrNoSuchControl = 730,       // no control of this name
  kErrKeyNotUnique = 35602,      // a list item key that the list already holds
};

class FormError : public host::HostError {
 public:
  using host::HostError::HostError;
};

enum class ControlKind {
  Button,
  OptionButton,
  CheckBox,
  ListBox,
  ComboBox,
  Label,
  Frame,
  TextBox,
  DatePicker,
  ImageCombo,
  ProgressBar,
  Image,
  Line,
  ImageList,
};

// What a change notification is about. Form-level notifications use Caption, Width, Height,
// Visible and Loaded.
enum class Property {
  Caption,
  ToolTip,
  Left,
  Top,
  Width,
  Height,
  Enabled,
  Visible,
  TabStop,
  TabIndex,
  Tag,
  Value,
  Text,
  Items,
  ListIndex,
  SelStart,
  SelLength,
  Focus,
  ImageList,  // the image list an image combo draws its pictures from
  Images,     // the pictures of an image list
  Repaint,    // a redraw was requested; nothing changed
  Loaded,
  FontUnderline,  // whether the control's text is drawn underlined
};

// Returns the property's name ("Caption", "ListIndex", ...).
const char* PropertyName(Property property);

// One entry of a list: a plain list box uses only the text; an image combo also a key (unique
// when not empty) and the key of its picture in the image list.
struct ListItem {
  std::string text;
  std::string key;
  std::string imageKey;
  friend bool operator==(const ListItem&, const ListItem&) = default;
};

// One picture of an image list.
struct ListImage {
  std::string key;
  std::string tag;
  Image picture;
};

class Form;

// The check box values.
inline constexpr int kUnchecked = 0;
inline constexpr int kChecked = 1;
inline constexpr int kGrayed = 2;

// Everything of a control that a view draws and that unloading the form restores.
struct ControlState {
  std::string caption;
  std::string toolTip;
  std::string tag;
  std::string text;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool enabled = true;
  bool visible = true;
  bool tabStop = false;
  kx::Value value;  // option: bool; check box: int32 0..2; progress bar: double; picker: Date
  std::vector<ListItem> items;
  int listIndex = -1;
  int selStart = 0;
  int selLength = 0;
  std::string imageList;
  std::vector<ListImage> images;
  bool fontUnderline = false;
};

// Geometry in twips, relative to the control's container (its frame, or the form).
struct Geometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

class Control {
 public:
  using Handler = std::function<void(Control&)>;

  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  ~Control() = default;

  // Identity.
  const std::string& Name() const { return name_; }            // "cmdNext", "optPlan(1)"
  const std::string& ArrayName() const { return arrayName_; }  // "optPlan"; else the name
  int Index() const { return index_; }  // index in its control array; -1 outside arrays
  ControlKind Kind() const { return kind_; }
  Control* Container() const { return container_; }  // its frame; nullptr on the form itself
  Form& Parent() const { return form_; }
  // Returns whether the control has `property` at all.
  bool Supports(Property property) const;

  // Event handlers, connected by the wizard logic. A handler's failure propagates to the code
  // that caused the event.
  Handler onClick;
  // Raised when the text of a text field or list or the date of a date picker changes, from
  // code as well as by the user.
  Handler onChange;
  // Raised when the mouse pointer moves over the control.
  Handler onMouseMove;

  // Properties. Setters throw FormError(kErrNotSupported) for a property the control lacks.
  const std::string& Caption() const;
  void SetCaption(std::string caption);
  const std::string& ToolTip() const { return state_.toolTip; }
  void SetToolTip(std::string toolTip);
  const std::string& Tag() const { return state_.tag; }
  void SetTag(std::string tag);
  // Whether the caption is drawn underlined (buttons, options, check boxes, labels, frames, text
  // fields).
  bool FontUnderline() const;
  void SetFontUnderline(bool underline);
  int Left() const { return state_.left; }
  int Top() const { return state_.top; }
  int Width() const { return state_.width; }
  int Height() const { return state_.height; }
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);    // throws kErrInvalidValue when negative
  void SetHeight(int height);  // throws kErrInvalidValue when negative
  void Move(int left, int top);
  bool Enabled() const { return state_.enabled; }
  void SetEnabled(bool enabled);
  bool Visible() const { return state_.visible; }
  void SetVisible(bool visible);
  // True when the control and all its frames are enabled / visible.
  bool EffectivelyEnabled() const;
  bool EffectivelyVisible() const;

  bool TabStop() const;
  void SetTabStop(bool tabStop);
  // Position in the form's tab order; setting it moves the others up or down, as the form keeps
  // the positions 0..n-1 without gaps. A value beyond the end makes the control the last one.
  int TabIndex() const;
  void SetTabIndex(int tabIndex);  // throws kErrInvalidValue when negative

  // The value: option button bool (on/off), check box 0/1/2, progress bar a number within 0..100,
  // date picker a Date (a date text is read with the regional settings).
  kx::Value Value() const;
  // Throws kErrInvalidValue for a value out of range, kErrTypeMismatch for one of the wrong kind.
  void SetValue(const kx::Value& value);
  // Typed readers; each throws kErrNotSupported on another kind of control.
  bool IsOn() const;        // option button
  int CheckValue() const;   // check box
  double BarValue() const;  // progress bar
  Date DateValue() const;   // date picker

  // The text of a text field or list (for a list box the selected item's text).
  const std::string& Text() const;
  // Setting a list's text selects the first item with exactly that text (no click), or none.
  void SetText(std::string text);

  // List items (list box, combo box, image combo).
  void AddItem(std::string text);
  // Throws kErrKeyNotUnique when a non-empty key is already in the list.
  void AddItem(ListItem item);
  void Clear();  // empties the list and its text
  int ListCount() const;
  const std::vector<ListItem>& Items() const;
  const ListItem& Item(int index) const;  // 0-based; throws kErrInvalidIndex
  int ListIndex() const;                  // -1 when no item is selected
  // Selects item `index` (-1: none) and raises the click handler when the selection changed.
  void SetListIndex(int index);  // throws kErrInvalidIndex outside -1..ListCount()-1
  // Returns the selected item; throws kErrNoObject when none is selected.
  const ListItem& SelectedItem() const;
  // Returns the position of the item with key `key`, or -1.
  int FindKey(std::string_view key) const;

  // Text selection of a text field, combo box or image combo.
  int SelStart() const;
  int SelLength() const;
  void SetSelStart(int start);    // throws kErrInvalidValue outside 0..length of the text
  void SetSelLength(int length);  // throws kErrInvalidValue when negative

  // Moves the keyboard focus here; throws kErrInvalidCall when the control or one of its frames
  // is disabled or hidden, kErrNotSupported for a control that takes no focus.
  void SetFocus();
  bool HasFocus() const;

  // Asks the view to redraw the control now.
  void Repaint();
  int RepaintCount() const { return repaints_; }

  // Image combo: the name of the image list control its pictures come from; throws
  // kErrNoSuchControl when no image list of that name is on the form.
  const std::string& ImageList() const;
  void SetImageList(std::string imageListName);

  // Image list: its pictures. AddImage throws kErrKeyNotUnique for a key it already holds.
  void AddImage(std::string key, std::string tag, Image picture);
  const std::vector<ListImage>& Images() const;
  // Returns the picture with key `key`; throws kErrInvalidIndex when there is none.
  const ListImage& FindImage(std::string_view key) const;

  // User actions, as a view reports them. Each does nothing and returns false while the control
  // or one of its frames is disabled or hidden.
  // A click: a button raises its click handler, an option button is switched on, a check box
  // toggles between checked and unchecked.
  bool Click();
  // The user picks list item `index`: selects it and raises the click handler, also when the
  // item was selected already.
  bool Pick(int index);
  // The user types `text` into a text field or list.
  bool Type(std::string text);
  // The mouse pointer moves over the control: raises its mouse-move handler.
  bool MouseMove();

  const ControlState& State() const { return state_; }

 private:
  friend class Form;
  Control(Form& form, ControlKind kind, std::string name, std::string arrayName, int index,
          Control* container);

  void Require(Property property) const;
  void Notify(Property property);
  void RaiseClick();
  void RaiseChange();
  void ResetSelection();
  void SwitchOn();
  // Restores the state the control had when the form was built; returns the changed properties.
  std::vector<Property> RestoreDesign();

  Form& form_;
  ControlKind kind_;
  std::string name_;
  std::string arrayName_;
  int index_;
  Control* container_;
  ControlState state_;
  ControlState design_;
  int repaints_ = 0;
};

// An indexed group of controls of one name (optPlan(0), optPlan(1), ...). Option buttons of one
// array are exclusive: switching one on switches the others off.
class ControlArray {
 public:
  explicit ControlArray(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }
  // Returns the member with `index`; throws FormError(kErrNoSuchArrayElement) when none.
  Control& operator[](int index) const;
  bool Exists(int index) const { return members_.count(index) != 0; }
  int Count() const { return static_cast<int>(members_.size()); }
  // Lowest and highest index; -1 for an empty array.
  int LBound() const { return members_.empty() ? -1 : members_.begin()->first; }
  int UBound() const { return members_.empty() ? -1 : members_.rbegin()->first; }
  // Members by ascending index.
  std::vector<Control*> Members() const;

 private:
  friend class Form;
  std::string name_;
  std::map<int, Control*> members_;
};

// A form: its controls in the form's control order, its own caption and size, whether it is
// loaded and shown, the keyboard focus, and the change notifications for views.
class Form {
 public:
  // Told of every change; `control` is nullptr for a change of the form itself.
  using ChangeListener = std::function<void(const Control* control, Property property)>;
  using FormHandler = std::function<void(Form&)>;

  Form(std::string name, std::string caption, int width, int height);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int width);    // throws kErrInvalidValue when negative
  void SetHeight(int height);  // throws kErrInvalidValue when negative

  // Loading runs onLoad once (the logic's Form_Load); showing loads first, then makes the form
  // visible on the screen. Unloading runs onUnload, hides the form and restores every control
  // and the form to the state they were built with; handlers and listeners stay connected.
  FormHandler onLoad;
  FormHandler onUnload;
  // Raised when the mouse pointer moves over the form's own background (not over a control).
  FormHandler onMouseMove;
  // The user moves the pointer over the form's background: raises onMouseMove while the form is
  // loaded.
  void MouseMove();
  bool Loaded() const { return loaded_; }
  bool Visible() const { return visible_; }
  void Load();
  void Show();
  void Hide();
  void Unload();

  // All controls in the form's control order.
  const std::vector<Control*>& Controls() const { return order_; }
  // Returns the control named `name` ("cmdNext", "optPlan(1)"), or nullptr.
  Control* Find(std::string_view name) const;
  // Returns the control named `name`; throws FormError(kErrNoSuchControl) when there is none.
  Control& Item(std::string_view name) const;
  // Returns the control array `name`; throws FormError(kErrNoSuchControl) when there is none.
  ControlArray& Array(std::string_view name) const;
  // Returns the controls whose container is `frame`, in control order.
  std::vector<Control*> ControlsIn(const Control& frame) const;

  // Controls that take part in the tab order, by tab index.
  const std::vector<Control*>& TabOrder() const { return tabOrder_; }
  // The control with the keyboard focus, or nullptr.
  Control* ActiveControl() const { return active_; }

  // Listeners are told of every change, in the order they subscribed. Returns an id for
  // Unsubscribe. A listener may unsubscribe itself while it is told.
  int Subscribe(ChangeListener listener);
  void Unsubscribe(int id);

 protected:
  struct ControlDesign {
    ControlKind kind;
    std::string name;
    Control* container = nullptr;
    Geometry geometry;
    std::string caption;  // caption, or the text of a text field or list
    std::string toolTip;
  };
  // Adds a control at the end of the control order; throws std::logic_error for a duplicate name
  // or a container that is no frame of this form.
  Control& Add(const ControlDesign& design);
  // Adds member `index` of the control array `design.name`.
  Control& AddMember(const ControlDesign& design, int index);
  // Adds an empty control array, or returns the existing one.
  ControlArray& AddArray(const std::string& name);
  // Makes the control's present state the one that unloading restores.
  void CommitDesign(Control& control) { control.design_ = control.state_; }

 private:
  friend class Control;
  Control& Create(const ControlDesign& design, std::string name, std::string arrayName, int index);
  void Notify(const Control* control, Property property);
  void MoveInTabOrder(Control& control, int tabIndex);
  void ChangeFocus(Control* control);
  int TabIndexOf(const Control& control) const;

  std::string name_;
  std::string caption_;
  int width_;
  int height_;
  std::string designCaption_;
  int designWidth_;
  int designHeight_;
  bool loaded_ = false;
  bool visible_ = false;

  std::vector<std::unique_ptr<Control>> owned_;
  std::vector<Control*> order_;
  std::map<std::string, Control*, std::less<>> byName_;
  std::map<std::string, std::unique_ptr<ControlArray>, std::less<>> arrays_;
  std::vector<Control*> tabOrder_;
  std::vector<Control*> designTabOrder_;
  Control* active_ = nullptr;

  struct Subscription {
    int id;
    std::shared_ptr<ChangeListener> listener;
  };
  std::vector<Subscription> listeners_;
  int nextListenerId_ = 1;
};

}  // namespace kx::forms
