// Every transition of the add-in's connection, against the desktop host's command bars.

#include <gtest/gtest.h>

#include <memory>

#include "connect/connect.hpp"
#include "addin/project_tools.hpp"
#include "platform/command_bar_service.hpp"
#include "platform/planning_host.hpp"
#include "support/registry.hpp"
#include "support/scripted_message_boxes.hpp"

namespace kx::addin {
namespace {

using platform::CommandBarService;

class ProgId final : public host::AddInInstance {
 public:
  std::string GetProgId() override { return kProgId; }
};

class Connection : public ::testing::Test {
 protected:
  void SetUp() override {
    bars = std::make_shared<CommandBarService>();
    host.SetCommandBars(bars);
  }

  // A fresh connection object, as the host makes one for every load.
  Connect& NewConnect() {
    connect = std::make_unique<Connect>(
        nullptr, wizard::WizardServices{&boxes, nullptr, nullptr, &registry, nullptr, nullptr});
    return *connect;
  }
  // Connects a new object in `mode`; returns how often the wizard was asked for (without a
  // project, each launch shows "Es ist kein Projekt geöffnet!").
  int Launches() const {
    int n = 0;
    for (const auto& t : boxes.Texts()) n += t == kTextNoProject;
    return n;
  }
  std::vector<CommandBarService::ControlView> Tools() const { return bars->MenuOf("Tools"); }
  int Count(const std::string& tag) const {
    int n = 0;
    for (const auto& b : bars->Bars())
      for (const auto& c : b.controls) n += c.tag == tag;
    return n;
  }
  long Position(const std::string& tag) const {
    const auto tools = Tools();
    for (std::size_t i = 0; i < tools.size(); ++i)
      if (tools[i].tag == tag) return static_cast<long>(i) + 1;
    return 0;
  }
  // Replaces the "Tools" menu by controls with these built-in identifiers and captions.
  void ToolsMenu(const std::vector<std::pair<std::int32_t, std::string>>& controls) {
    const auto bar = bars->Item("Tools");
    while (bar->GetControlCount() > 0) bar->GetControl(1)->Delete();
    for (const auto& [id, caption] : controls)
      bars->AddBuiltIn("Tools", host::kControlButton, caption, id);
  }

  platform::PlanningHost host;
  std::shared_ptr<CommandBarService> bars;
  ScriptedMessageBoxes boxes;
  MemoryRegistryStore registry;
  ProgId addIn;
  std::unique_ptr<Connect> connect;
};

TEST_F(Connection, FromOutsideTheWizardOpensAndNoEntriesAreMade) {
  NewConnect().OnConnection(&host, kConnectExternal, &addIn);
  EXPECT_EQ(Launches(), 1);
  EXPECT_EQ(Count(kMenuTag), 0);
  EXPECT_EQ(bars->Item(kToolbarName), nullptr);
}

TEST_F(Connection, EntriesAsTheHostShowsThem) {
  NewConnect().OnConnection(&host, kConnectStartup, &addIn);
  EXPECT_EQ(Launches(), 0);
  const auto tools = Tools();
  const long at = Position(kMenuTag);
  ASSERT_GT(at, 0);
  const auto& entry = tools[at - 1];
  EXPECT_EQ(entry.caption, "&Korvalinx Assistent");
  EXPECT_EQ(entry.faceId, 2145);
  EXPECT_EQ(entry.onAction, "!<Korvalinx.Connect>");
  EXPECT_TRUE(entry.beginGroup);
  // Before "Add-Ins..." (2131), the first of the four identifiers in the host's menu.
  EXPECT_EQ(tools[at].id, platform::kIdAddIns);

  const auto toolbar = bars->Item(kToolbarName);
  ASSERT_NE(toolbar, nullptr);
  EXPECT_TRUE(toolbar->GetVisible());
  ASSERT_EQ(toolbar->GetControlCount(), 1);
  const auto button = bars->MenuOf(kToolbarName).front();
  EXPECT_EQ(button.tag, kToolbarTag);
  EXPECT_EQ(button.parameter, kToolbarTag);
  EXPECT_EQ(button.style, host::kButtonIconAndCaption);
  EXPECT_FALSE(button.beginGroup);
  for (const auto& b : bars->Bars()) {
    if (b.name == kToolbarName) {
      EXPECT_EQ(b.position, host::kBarTop);
    }
  }
}

TEST_F(Connection, ConnectingTwiceGivesOneEntryAndOneButton) {
  NewConnect().OnConnection(&host, kConnectStartup, &addIn);
  // The user renames the entry; the next connection refreshes it in place.
  bars->FindControl(kMenuTag)->SetCaption("alt");
  const long at = Position(kMenuTag);
  NewConnect().OnConnection(&host, kConnectAfterStartup, &addIn);
  connect->OnConnection(&host, kConnectStartup, &addIn);
  EXPECT_EQ(Count(kMenuTag), 1);
  EXPECT_EQ(Count(kToolbarTag), 1);
  EXPECT_EQ(Position(kMenuTag), at);
  EXPECT_EQ(bars->FindControl(kMenuTag)->GetCaption(), "&Korvalinx Assistent");
  int toolbars = 0;
  for (const auto& b : bars->Bars()) toolbars += b.name == kToolbarName;
  EXPECT_EQ(toolbars, 1);
}

TEST_F(Connection, AnEntryOfThisOrTheSiblingAddInMeansNoSeparator) {
  for (const char* caption : {"KORVALINX Export", "&Quillmesh Planer", "korvalinx"}) {
    SCOPED_TRACE(caption);
    SetUp();
    ToolsMenu({{2, "&Rechtschreibung..."}, {1, caption}, {2131, "Add-&Ins..."}});
    NewConnect().OnConnection(&host, kConnectStartup, &addIn);
    ASSERT_EQ(Position(kMenuTag), 3);
    EXPECT_FALSE(Tools()[2].beginGroup);
  }
  // A sibling's entry after the stopping control is not seen.
  SetUp();
  ToolsMenu({{2, "&Rechtschreibung..."}, {40196, "&Optionen..."}, {1, "Quillmesh"}});
  NewConnect().OnConnection(&host, kConnectStartup, &addIn);
  EXPECT_EQ(Position(kMenuTag), 2);
  EXPECT_TRUE(Tools()[1].beginGroup);
}

TEST_F(Connection, TheEntryGoesBeforeEachOfTheFourIdentifiersElseBeforeTheLastControl) {
  for (const std::int32_t id : {2131, 40085, 40196, 40092}) {
    SCOPED_TRACE(id);
    SetUp();
    ToolsMenu({{2, "a"}, {3, "b"}, {id, "c"}, {40092, "d"}, {4, "e"}});
    NewConnect().OnConnection(&host, kConnectStartup, &addIn);
    EXPECT_EQ(Position(kMenuTag), 3);
    EXPECT_EQ(Tools()[3].id, id);
  }
  SetUp();
  ToolsMenu({{2, "a"}, {3, "b"}, {4, "c"}});
  NewConnect().OnConnection(&host, kConnectStartup, &addIn);
  EXPECT_EQ(Position(kMenuTag), 3);
  EXPECT_EQ(Tools().back().caption, "c");
  // An empty menu gets the entry as its only control.
  SetUp();
  ToolsMenu({});
  NewConnect().OnConnection(&host, kConnectStartup, &addIn);
  EXPECT_EQ(Position(kMenuTag), 1);
}

TEST_F(Connection, UnloadingByTheUserTakesTheEntriesOut) {
  NewConnect().OnConnection(&host, kConnectAfterStartup, &addIn);
  connect->OnDisconnection(kRemoveUserClosed);
  EXPECT_EQ(Count(kToolbarTag), 0);
  EXPECT_EQ(bars->Item(kToolbarName), nullptr);
  EXPECT_EQ(Count(kMenuTag), 0);
  EXPECT_EQ(connect->objWizard, nullptr);

  // A toolbar the user filled with other controls stays, without the add-in's button.
  NewConnect().OnConnection(&host, kConnectAfterStartup, &addIn);
  bars->Item(kToolbarName)->AddControl(host::kControlButton, std::nullopt, "")->SetCaption("Mein");
  connect->OnDisconnection(kRemoveUserClosed);
  const auto kept = bars->Item(kToolbarName);
  ASSERT_NE(kept, nullptr);
  ASSERT_EQ(kept->GetControlCount(), 1);
  EXPECT_EQ(kept->GetControl(1)->GetCaption(), "Mein");
  EXPECT_EQ(Count(kMenuTag), 0);
}

TEST_F(Connection, ShutdownRemovesNothingAndTheNextRunFindsTheEntriesAgain) {
  NewConnect().OnConnection(&host, kConnectStartup, &addIn);
  connect->OnDisconnection(kRemoveHostShutdown);
  EXPECT_EQ(Count(kMenuTag), 1);
  EXPECT_EQ(Count(kToolbarTag), 1);
  ASSERT_TRUE(bars->Save(registry));

  // The next run of the host reads its bars back and connects the add-in at start-up.
  bars = std::make_shared<CommandBarService>();
  ASSERT_TRUE(bars->Load(registry));
  host.SetCommandBars(bars);
  EXPECT_EQ(Count(kMenuTag), 1);
  NewConnect().OnConnection(&host, kConnectStartup, &addIn);
  EXPECT_EQ(Count(kMenuTag), 1);
  EXPECT_EQ(Count(kToolbarTag), 1);
  // Its clicks reach the new connection.
  const auto entry = bars->MenuOf("Tools")[static_cast<std::size_t>(Position(kMenuTag) - 1)];
  bars->Click(entry.state);
  EXPECT_EQ(Launches(), 1);
}

TEST_F(Connection, DisplayOnConnectOpensTheWizardOnlyWithOneAfterStartup) {
  struct Case {
    const char* value;  // null: missing
    int mode;
    int launches;
  };
  for (const Case c : {Case{nullptr, kConnectAfterStartup, 0}, Case{"0", kConnectAfterStartup, 0},
                       Case{"1", kConnectAfterStartup, 1}, Case{"1", kConnectStartup, 0},
                       Case{"1", kConnectCommandLine, 0}, Case{"1 ", kConnectAfterStartup, 0},
                       Case{nullptr, kConnectExternal, 1}, Case{"0", kConnectExternal, 1},
                       Case{"1", kConnectExternal, 1}}) {
    SCOPED_TRACE(std::string(c.value ? c.value : "(missing)") + " mode " + std::to_string(c.mode));
    SetUp();
    registry = MemoryRegistryStore();
    boxes.Clear();
    if (c.value) SaveSetting(registry, "Korvalinx", "Settings", "DisplayOnConnect", c.value);
    NewConnect().OnConnection(&host, c.mode, &addIn);
    EXPECT_EQ(Launches(), c.launches);
  }
}

TEST_F(Connection, ClicksOnEitherEntryStartTheWizard) {
  NewConnect().OnConnection(&host, kConnectStartup, &addIn);
  bars->Click(bars->MenuOf(kToolbarName).front().state);
  bars->Click(bars->MenuOf("Tools")[static_cast<std::size_t>(Position(kMenuTag) - 1)].state);
  EXPECT_EQ(Launches(), 2);
  // After the add-in is gone its entries are gone too, and an old button's click does nothing.
  const auto old = bars->MenuOf(kToolbarName).front().state;
  connect->OnDisconnection(kRemoveUserClosed);
  bars->Click(old);
  EXPECT_EQ(Launches(), 2);
}

TEST_F(Connection, AFailureShowsTheErrorReport) {
  platform::PlanningHost windowless;  // no command bars
  NewConnect().OnConnection(&windowless, kConnectStartup, &addIn);
  // The menu entry, then the toolbar, then the connection itself report and give up.
  ASSERT_GE(boxes.Count(), 1u);
  const auto& first = boxes.Requests().front();
  EXPECT_EQ(first.title, "Korvalinx");
  EXPECT_EQ(first.icon, MsgIcon::Exclamation);
  EXPECT_NE(first.text.find("Fehlernummer: 1102"), std::string::npos) << first.text;
  EXPECT_EQ(connect->objApplication, &windowless);
  // Disconnecting it passes every failure over.
  const std::size_t shown = boxes.Count();
  connect->OnDisconnection(kRemoveUserClosed);
  EXPECT_EQ(boxes.Count(), shown);
}

}  // namespace
}  // namespace kx::addin
