#pragma once
// The desktop host's command bars: the menu bar with its menus, and the toolbars. Each bar holds
// controls; a menu of the menu bar is a popup control that opens the bar of the same name. The
// window draws them and forwards clicks; add-ins add, find and delete controls and bars through
// the host interface. What add-ins made is kept in the per-user store between runs.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/command_bars.hpp"
#include "support/registry.hpp"

namespace kx::platform {

// Built-in identifiers of the host's own controls (what the window does when they are clicked).
enum BuiltInControl : std::int32_t {
  kIdFileOpen = 23,
  kIdFileSave = 3,
  kIdFileSaveAs = 748,
  kIdFileClose = 106,
  kIdFileExit = 752,
  kIdViewGantt = 2408,
  kIdViewResourceSheet = 2410,
  kIdZoomIn = 2409,
  kIdZoomOut = 2411,
  kIdSpelling = 2,
  kIdAddIns = 2131,      // "Add-&Ins..."
  kIdCustomize = 40085,  // "&Anpassen..."
  kIdOptions = 40196,    // "&Optionen..."
  kIdMacros = 40092,     // "&Makros..."
  kIdAbout = 927,
};

// Where the store keeps the bars (below HKEY_CURRENT_USER).
inline constexpr const char* kCommandBarsKey = "Software\\Korvalinx Planer\\Befehlsleisten";

struct ControlState;
struct BarState;

class CommandBarService final : public host::CommandBars {
 public:
  // The host's own bars: "Menu Bar" with the menus "File" ("&Datei"), "View" ("&Ansicht"),
  // "Tools" ("&Extras"), "Window" ("&Fenster") and "Help" ("&Hilfe"), and the toolbar
  // "Standard".
  CommandBarService();
  ~CommandBarService() override;

  long Count() override;
  host::CommandBarPtr Item(long position) override;
  host::CommandBarPtr Item(const std::string& name) override;
  host::ControlPtr FindControl(const std::string& tag) override;
  host::CommandBarPtr Add(const std::string& name, std::int32_t position) override;

  // What the window draws: one entry per bar in order, with its controls.
  struct ControlView {
    std::int32_t type = host::kControlButton;
    std::string caption, tag, onAction, parameter;
    std::int32_t id = host::kCustomControlId, faceId = 0, style = 0;
    bool beginGroup = false;
    std::string opens;  // the bar a popup opens
    std::shared_ptr<ControlState> state;
  };
  struct BarView {
    std::string name;
    std::int32_t position = host::kBarTop;
    bool visible = true;
    bool builtIn = false;
    std::vector<ControlView> controls;
  };
  std::vector<BarView> Bars() const;
  // The bar a popup of the menu bar opens, by its name; null when there is none.
  std::vector<ControlView> MenuOf(const std::string& name) const;

  // Adds one of the host's own controls (built-in identifier `id`) to the bar `bar`, before
  // `before` (appended without); throws kErrNotFound when there is no such bar.
  host::ControlPtr AddBuiltIn(const std::string& bar, std::int32_t type, const std::string& caption,
                              std::int32_t id, std::optional<long> before = std::nullopt);

  // The user clicked a control: runs its click handlers; returns the host's "cancel default"
  // flag as they left it (false when no handler set it).
  bool Click(const std::shared_ptr<ControlState>& control);
  // Called after every change of a bar or control, so that the window can redraw.
  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

  // Writes the bars to `store`; reads them back, keeping the host's own bars as they are when
  // the store holds nothing or something unreadable (returns false then).
  bool Save(RegistryStore& store) const;
  bool Load(RegistryStore& store);

 private:
  friend class BarHandle;
  friend class ControlHandle;
  void Changed() const;
  std::shared_ptr<BarState> Find(const std::string& name) const;

  std::vector<std::shared_ptr<BarState>> bars_;
  std::function<void()> onChange_;
};

}  // namespace kx::platform
