#include "platform/command_bar_service.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace kx::platform {

struct ControlState {
  CommandBarService::ControlView view;
  std::weak_ptr<BarState> bar;
  std::map<int, host::ClickHandler> handlers;
  int nextHandler = 1;
  bool deleted = false;
};

struct BarState {
  std::string name;
  std::int32_t position = host::kBarTop;
  bool visible = true;
  bool builtIn = false;
  bool deleted = false;
  std::vector<std::shared_ptr<ControlState>> controls;
};

namespace {

[[noreturn]] void Fail(std::int32_t number, const std::string& text) {
  throw host::HostError(number, text);
}

std::shared_ptr<ControlState> Control(std::int32_t type, const std::string& caption,
                                      std::int32_t id, bool beginGroup = false,
                                      const std::string& opens = {}) {
  auto c = std::make_shared<ControlState>();
  c->view.type = type;
  c->view.caption = caption;
  c->view.id = id;
  c->view.beginGroup = beginGroup;
  c->view.opens = opens;
  return c;
}

std::shared_ptr<BarState> Bar(const std::string& name, std::int32_t position,
                              std::vector<std::shared_ptr<ControlState>> controls) {
  auto b = std::make_shared<BarState>();
  b->name = name;
  b->position = position;
  b->builtIn = true;
  b->controls = std::move(controls);
  for (auto& c : b->controls) c->bar = b;
  return b;
}

}  // namespace

class ControlHandle final : public host::CommandBarControl {
 public:
  ControlHandle(CommandBarService& service, std::shared_ptr<ControlState> state)
      : service_(service), state_(std::move(state)) {}

  std::int32_t GetType() override { return Live().view.type; }
  std::string GetCaption() override { return Live().view.caption; }
  void SetCaption(const std::string& caption) override {
    Change([&](auto& v) { v.caption = caption; });
  }
  std::string GetTag() override { return Live().view.tag; }
  void SetTag(const std::string& tag) override {
    Change([&](auto& v) { v.tag = tag; });
  }
  std::int32_t GetId() override { return Live().view.id; }
  void SetBeginGroup(bool begins) override {
    Change([&](auto& v) { v.beginGroup = begins; });
  }
  void SetOnAction(const std::string& action) override {
    Change([&](auto& v) { v.onAction = action; });
  }
  void SetFaceId(std::int32_t faceId) override {
    Change([&](auto& v) { v.faceId = faceId; });
  }
  void SetStyle(std::int32_t style) override {
    Change([&](auto& v) { v.style = style; });
  }
  void Delete() override {
    ControlState& s = Live();
    if (auto bar = s.bar.lock()) {
      auto& list = bar->controls;
      list.erase(std::remove(list.begin(), list.end(), state_), list.end());
    }
    s.deleted = true;
    service_.Changed();
  }
  int AddClickHandler(host::ClickHandler handler) override {
    ControlState& s = Live();
    const int id = s.nextHandler++;
    s.handlers.emplace(id, std::move(handler));
    return id;
  }
  void RemoveClickHandler(int handler) override { state_->handlers.erase(handler); }

 private:
  ControlState& Live() {
    if (state_->deleted) Fail(host::kErrNotAvailable, "Das Steuerelement wurde gelöscht.");
    return *state_;
  }
  template <class Edit>
  void Change(Edit&& edit) {
    edit(Live().view);
    service_.Changed();
  }

  CommandBarService& service_;
  std::shared_ptr<ControlState> state_;
};

class BarHandle final : public host::CommandBar {
 public:
  BarHandle(CommandBarService& service, std::shared_ptr<BarState> state)
      : service_(service), state_(std::move(state)) {}

  std::string GetName() override { return Live().name; }
  bool GetVisible() override { return Live().visible; }
  void SetVisible(bool visible) override {
    Live().visible = visible;
    service_.Changed();
  }
  long GetControlCount() override { return static_cast<long>(Live().controls.size()); }
  host::ControlPtr GetControl(long position) override {
    BarState& s = Live();
    if (position < 1 || position > static_cast<long>(s.controls.size()))
      Fail(host::kErrNotFound, "Die Leiste \"" + s.name + "\" hat kein Steuerelement " +
                                   std::to_string(position) + ".");
    return std::make_shared<ControlHandle>(service_, s.controls[position - 1]);
  }
  host::ControlPtr FindControl(const std::string& tag) override {
    std::vector<std::string> seen;
    return Find(Live(), tag, seen);
  }
  host::ControlPtr AddControl(std::int32_t type, std::optional<long> before,
                              const std::string& parameter) override {
    BarState& s = Live();
    if (type != host::kControlButton && type != host::kControlPopup)
      Fail(host::kErrInvalidArgument,
           "Unbekannte Art von Steuerelement " + std::to_string(type) + ".");
    auto c = Control(type, std::string(), host::kCustomControlId);
    c->view.parameter = parameter;
    c->bar = state_;
    const long size = static_cast<long>(s.controls.size());
    const long at = before ? std::clamp(*before, 1L, size + 1) - 1 : size;
    s.controls.insert(s.controls.begin() + at, c);
    service_.Changed();
    return std::make_shared<ControlHandle>(service_, c);
  }
  void Delete() override {
    BarState& s = Live();
    if (s.builtIn)
      Fail(host::kErrNotAvailable, "Die Leiste \"" + s.name + "\" gehört zum Programm.");
    s.deleted = true;
    auto& bars = service_.bars_;
    bars.erase(std::remove(bars.begin(), bars.end(), state_), bars.end());
    service_.Changed();
  }

 private:
  BarState& Live() {
    if (state_->deleted) Fail(host::kErrNotAvailable, "Die Leiste wurde gelöscht.");
    return *state_;
  }
  // Searches the bar, then the bars its popups open (each once).
  host::ControlPtr Find(const BarState& bar, const std::string& tag,
                        std::vector<std::string>& seen) {
    seen.push_back(bar.name);
    for (const auto& c : bar.controls)
      if (c->view.tag == tag) return std::make_shared<ControlHandle>(service_, c);
    for (const auto& c : bar.controls) {
      if (c->view.opens.empty() || std::find(seen.begin(), seen.end(), c->view.opens) != seen.end())
        continue;
      if (auto sub = service_.Find(c->view.opens))
        if (auto found = Find(*sub, tag, seen)) return found;
    }
    return nullptr;
  }

  CommandBarService& service_;
  std::shared_ptr<BarState> state_;
};

CommandBarService::CommandBarService() {
  using host::kControlButton;
  using host::kControlPopup;
  bars_.push_back(Bar("Menu Bar", host::kBarMenuBar,
                      {Control(kControlPopup, "&Datei", 30002, false, "File"),
                       Control(kControlPopup, "&Ansicht", 30004, false, "View"),
                       Control(kControlPopup, "&Extras", 30007, false, "Tools"),
                       Control(kControlPopup, "&Fenster", 30009, false, "Window"),
                       Control(kControlPopup, "&Hilfe", 30010, false, "Help")}));
  bars_.push_back(Bar("File", host::kBarPopup,
                      {Control(kControlButton, "Ö&ffnen...", kIdFileOpen),
                       Control(kControlButton, "&Speichern", kIdFileSave),
                       Control(kControlButton, "Speichern &unter...", kIdFileSaveAs),
                       Control(kControlButton, "S&chließen", kIdFileClose),
                       Control(kControlButton, "&Beenden", kIdFileExit, true)}));
  bars_.push_back(Bar("View", host::kBarPopup,
                      {Control(kControlButton, "&Balkendiagramm", kIdViewGantt),
                       Control(kControlButton, "&Ressource: Tabelle", kIdViewResourceSheet),
                       Control(kControlButton, "Ver&größern", kIdZoomIn, true),
                       Control(kControlButton, "Ver&kleinern", kIdZoomOut)}));
  bars_.push_back(Bar("Tools", host::kBarPopup,
                      {Control(kControlButton, "&Rechtschreibung...", kIdSpelling),
                       Control(kControlButton, "Add-&Ins...", kIdAddIns, true),
                       Control(kControlButton, "&Makros...", kIdMacros),
                       Control(kControlButton, "&Anpassen...", kIdCustomize, true),
                       Control(kControlButton, "&Optionen...", kIdOptions)}));
  bars_.push_back(Bar("Window", host::kBarPopup, {}));
  bars_.push_back(Bar("Help", host::kBarPopup,
                      {Control(kControlButton, "Ü&ber Korvalinx Planer...", kIdAbout)}));
  bars_.push_back(Bar("Standard", host::kBarTop,
                      {Control(kControlButton, "Öffnen", kIdFileOpen),
                       Control(kControlButton, "Speichern", kIdFileSave),
                       Control(kControlButton, "Vergrößern", kIdZoomIn, true),
                       Control(kControlButton, "Verkleinern", kIdZoomOut)}));
}

CommandBarService::~CommandBarService() = default;

void CommandBarService::Changed() const {
  if (onChange_) onChange_();
}

std::shared_ptr<BarState> CommandBarService::Find(const std::string& name) const {
  for (const auto& b : bars_)
    if (b->name == name) return b;
  return nullptr;
}

long CommandBarService::Count() {
  return static_cast<long>(bars_.size());
}

host::CommandBarPtr CommandBarService::Item(long position) {
  if (position < 1 || position > Count())
    Fail(host::kErrNotFound, "Es gibt keine Befehlsleiste " + std::to_string(position) + ".");
  return std::make_shared<BarHandle>(*this, bars_[position - 1]);
}

host::CommandBarPtr CommandBarService::Item(const std::string& name) {
  const auto bar = Find(name);
  return bar ? std::make_shared<BarHandle>(*this, bar) : nullptr;
}

host::ControlPtr CommandBarService::FindControl(const std::string& tag) {
  for (const auto& b : bars_)
    for (const auto& c : b->controls)
      if (c->view.tag == tag) return std::make_shared<ControlHandle>(*this, c);
  return nullptr;
}

host::CommandBarPtr CommandBarService::Add(const std::string& name, std::int32_t position) {
  if (name.empty()) Fail(host::kErrInvalidArgument, "Eine Befehlsleiste braucht einen Namen.");
  if (Find(name))
    Fail(host::kErrInvalidArgument, "Die Befehlsleiste \"" + name + "\" gibt es schon.");
  if (position < host::kBarLeft || position > host::kBarFloating)
    Fail(host::kErrInvalidArgument, "Ungültige Position " + std::to_string(position) + ".");
  auto bar = std::make_shared<BarState>();
  bar->name = name;
  bar->position = position;
  bar->visible = false;
  bars_.push_back(bar);
  Changed();
  return std::make_shared<BarHandle>(*this, bar);
}

std::vector<CommandBarService::BarView> CommandBarService::Bars() const {
  std::vector<BarView> out;
  for (const auto& b : bars_) {
    BarView v{b->name, b->position, b->visible, b->builtIn, {}};
    for (const auto& c : b->controls) {
      v.controls.push_back(c->view);
      v.controls.back().state = c;
    }
    out.push_back(std::move(v));
  }
  return out;
}

std::vector<CommandBarService::ControlView> CommandBarService::MenuOf(
    const std::string& name) const {
  std::vector<ControlView> out;
  if (const auto bar = Find(name)) {
    for (const auto& c : bar->controls) {
      out.push_back(c->view);
      out.back().state = c;
    }
  }
  return out;
}

host::ControlPtr CommandBarService::AddBuiltIn(const std::string& bar, std::int32_t type,
                                               const std::string& caption, std::int32_t id,
                                               std::optional<long> before) {
  const auto state = Find(bar);
  if (!state) Fail(host::kErrNotFound, "Die Befehlsleiste \"" + bar + "\" gibt es nicht.");
  auto c = Control(type, caption, id);
  c->bar = state;
  const long size = static_cast<long>(state->controls.size());
  const long at = before ? std::clamp(*before, 1L, size + 1) - 1 : size;
  state->controls.insert(state->controls.begin() + at, c);
  Changed();
  return std::make_shared<ControlHandle>(*this, c);
}

bool CommandBarService::Click(const std::shared_ptr<ControlState>& control) {
  bool cancel = false;
  if (!control || control->deleted) return cancel;
  ControlHandle handle(*this, control);
  // A handler may take itself off (an add-in unloaded from its own button): walk a copy.
  const auto handlers = control->handlers;
  for (const auto& [id, handler] : handlers) {
    try {
      handler(handle, cancel);
    } catch (...) {
    }
  }
  return cancel;
}

namespace {

nlohmann::json ToJson(const CommandBarService::ControlView& c) {
  return {{"type", c.type},   {"caption", c.caption},
          {"tag", c.tag},     {"onAction", c.onAction},
          {"id", c.id},       {"faceId", c.faceId},
          {"style", c.style}, {"beginGroup", c.beginGroup},
          {"opens", c.opens}, {"parameter", c.parameter}};
}

}  // namespace

bool CommandBarService::Save(RegistryStore& store) const {
  nlohmann::json bars = nlohmann::json::array();
  for (const auto& b : Bars()) {
    nlohmann::json controls = nlohmann::json::array();
    for (const auto& c : b.controls) controls.push_back(ToJson(c));
    bars.push_back({{"name", b.name},
                    {"position", b.position},
                    {"visible", b.visible},
                    {"builtIn", b.builtIn},
                    {"controls", controls}});
  }
  std::string text = nlohmann::json{{"version", 1}, {"bars", bars}}.dump();
  return SetRegString(store, HKEY_CURRENT_USER, kCommandBarsKey, "Leisten", text);
}

bool CommandBarService::Load(RegistryStore& store) {
  // Read directly: the layout is longer than the registry functions' 1024 bytes.
  std::string text;
  try {
    const auto value = store.Read(HKEY_CURRENT_USER, kCommandBarsKey, "Leisten");
    if (!value || value->type != REG_SZ) return false;
    text = value->text;
  } catch (...) {
    return false;
  }
  std::vector<std::shared_ptr<BarState>> loaded;
  try {
    const auto doc = nlohmann::json::parse(text);
    if (doc.at("version").get<int>() != 1) return false;
    for (const auto& jb : doc.at("bars")) {
      auto bar = std::make_shared<BarState>();
      bar->name = jb.at("name").get<std::string>();
      bar->position = jb.at("position").get<std::int32_t>();
      bar->visible = jb.at("visible").get<bool>();
      bar->builtIn = jb.at("builtIn").get<bool>();
      for (const auto& jc : jb.at("controls")) {
        auto c = std::make_shared<ControlState>();
        c->view.type = jc.at("type").get<std::int32_t>();
        c->view.caption = jc.at("caption").get<std::string>();
        c->view.tag = jc.at("tag").get<std::string>();
        c->view.onAction = jc.at("onAction").get<std::string>();
        c->view.id = jc.at("id").get<std::int32_t>();
        c->view.faceId = jc.at("faceId").get<std::int32_t>();
        c->view.style = jc.at("style").get<std::int32_t>();
        c->view.beginGroup = jc.at("beginGroup").get<bool>();
        c->view.opens = jc.at("opens").get<std::string>();
        c->view.parameter = jc.value("parameter", std::string());
        c->bar = bar;
        bar->controls.push_back(c);
      }
      loaded.push_back(bar);
    }
  } catch (const std::exception&) {
    return false;
  }
  // The host's own bars must all be there; a store without them is not used.
  for (const auto& own : bars_) {
    if (!own->builtIn) continue;
    const bool there = std::any_of(loaded.begin(), loaded.end(), [&](const auto& b) {
      return b->builtIn && b->name == own->name;
    });
    if (!there) return false;
  }
  bars_ = std::move(loaded);
  Changed();
  return true;
}

}  // namespace kx::platform
