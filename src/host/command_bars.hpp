#pragma once
// The host's command bars as the add-in sees them: the menu bar, its menus and the toolbars, each
// a bar of controls. Every operation may throw HostError. Positions count from 1.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/error.hpp"

namespace kx::host {

class CommandBar;
class CommandBarControl;
using CommandBarPtr = std::shared_ptr<CommandBar>;
using ControlPtr = std::shared_ptr<CommandBarControl>;

// Control types.
enum ControlType : std::int32_t { kControlButton = 1, kControlPopup = 10 };
// Where a bar is docked.
enum BarPosition : std::int32_t {
  kBarLeft = 0,
  kBarTop = 1,
  kBarRight = 2,
  kBarBottom = 3,
  kBarFloating = 4,
  kBarPopup = 5,
  kBarMenuBar = 6,
};
// Button styles.
enum ButtonStyle : std::int32_t {
  kButtonAutomatic = 0,
  kButtonIcon = 1,
  kButtonCaption = 2,
  kButtonIconAndCaption = 3,
};
// The built-in identifier of a control that an add-in made.
inline constexpr std::int32_t kCustomControlId = 1;

// Called when the user clicks a control: the control, and the host's "cancel default" flag.
using ClickHandler = std::function<void(CommandBarControl& control, bool& cancelDefault)>;

class CommandBarControl {
 public:
  virtual ~CommandBarControl() = default;
  virtual std::int32_t GetType() = 0;
  virtual std::string GetCaption() = 0;  // with its "&" accelerator
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string GetTag() = 0;
  virtual void SetTag(const std::string& tag) = 0;
  virtual std::int32_t GetId() = 0;  // built-in identifier; kCustomControlId for an add-in's
  virtual void SetBeginGroup(bool begins) = 0;
  virtual void SetOnAction(const std::string& action) = 0;
  virtual void SetFaceId(std::int32_t faceId) = 0;
  virtual void SetStyle(std::int32_t style) = 0;
  // Removes the control from its bar.
  virtual void Delete() = 0;
  // Click events of this control; the number returned takes the handler off again.
  virtual int AddClickHandler(ClickHandler handler) = 0;
  virtual void RemoveClickHandler(int handler) = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::string GetName() = 0;
  virtual bool GetVisible() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual long GetControlCount() = 0;
  // The control at `position` (1 to GetControlCount()); throws kErrNotFound otherwise.
  virtual ControlPtr GetControl(long position) = 0;
  // The first control with `tag` on this bar (menus below it included); null when none.
  virtual ControlPtr FindControl(const std::string& tag) = 0;
  // Adds a control of `type` before `before` (appended without); `parameter` is its parameter
  // text.
  virtual ControlPtr AddControl(std::int32_t type, std::optional<long> before,
                                const std::string& parameter) = 0;
  // Removes the bar; built-in bars cannot be removed (kErrNotAvailable).
  virtual void Delete() = 0;
};

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  virtual long Count() = 0;
  // The bar at `position` (1 to Count()); throws kErrNotFound otherwise.
  virtual CommandBarPtr Item(long position) = 0;
  // The bar named `name`, compared exactly; null when there is none.
  virtual CommandBarPtr Item(const std::string& name) = 0;
  // The first control with `tag` on any bar; null when none.
  virtual ControlPtr FindControl(const std::string& tag) = 0;
  // Adds a toolbar named `name` at `position`; throws kErrInvalidArgument when the name is
  // taken.
  virtual CommandBarPtr Add(const std::string& name, std::int32_t position) = 0;
};

// The host's record of one loaded add-in.
class AddInInstance {
 public:
  virtual ~AddInInstance() = default;
  virtual std::string GetProgId() = 0;
};

}  // namespace kx::host
