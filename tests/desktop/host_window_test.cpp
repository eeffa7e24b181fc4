// The desktop host's window on Qt's offscreen platform: its menus come from the command bars, the
// add-in's entries appear in them, a click on the entry starts the wizard, and the active project
// gives the title.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

#include "connect/connect.hpp"
#include "desktop/desktop_testing.hpp"
#include "desktop/desktop.hpp"
#include "desktop/host_window.hpp"
#include "projectxml/project_xml.hpp"
#include "support/scripted_message_boxes.hpp"

namespace {

using namespace kx;
using kx::testing::Texts;

QMenu* MenuTitled(QMainWindow& window, const QString& title) {
  for (QAction* a : window.menuBar()->actions())
    if (a->text() == title) return a->menu();
  return nullptr;
}

}  // namespace

class HostWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void MenusComeFromTheCommandBarsAndTheAddInJoinsThem() {
    platform::PlanningHost host(std::make_shared<platform::ProjectXmlFormat>());
    auto bars = std::make_shared<platform::CommandBarService>();
    host.SetCommandBars(bars);
    desktop::HostWindow window(host, *bars);
    QVERIFY(window.OpenFile(std::string(KX_EXAMPLES_DIR) + "/neubau_buerogebaeude.xml"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Neubau Bürogebäude – Korvalinx Planer"));
    QCOMPARE(Texts(window.menuBar()->actions()),
             (QStringList{"&Datei", "&Ansicht", "&Extras", "&Fenster", "&Hilfe"}));

    ScriptedMessageBoxes boxes;
    MemoryRegistryStore registry;
    testing::CountingPresenter presenter;
    addin::Connect connect(&presenter, {&boxes, nullptr, nullptr, &registry, nullptr, nullptr});
    connect.OnConnection(&host, addin::kConnectStartup, nullptr);
    QCoreApplication::processEvents();  // the bars are drawn anew after the change
    QMenu* tools = MenuTitled(window, QStringLiteral("&Extras"));
    QVERIFY(tools != nullptr);
    const QStringList items = Texts(tools->actions());
    const auto at = items.indexOf(QStringLiteral("&Korvalinx Assistent"));
    QVERIFY2(at > 0, qPrintable(items.join(", ")));
    QCOMPARE(items.at(at - 1), QStringLiteral("-"));
    QCOMPARE(items.at(at + 2), QStringLiteral("Add-&Ins..."));  // which begins its own group
    QToolBar* toolbar = window.findChild<QToolBar*>(QStringLiteral("Korvalinx"));
    QVERIFY(toolbar != nullptr);

    // The menu entry starts the wizard over the active project.
    tools->actions().at(at)->trigger();
    QCOMPARE(presenter.shown, 1);
    toolbar->actions().front()->trigger();
    QCOMPARE(presenter.shown, 2);

    // Unloaded by the user, the entries go from the window too.
    connect.OnDisconnection(addin::kRemoveUserClosed);
    QCoreApplication::processEvents();
    QVERIFY(!Texts(MenuTitled(window, QStringLiteral("&Extras"))->actions())
                 .contains(QStringLiteral("&Korvalinx Assistent")));
    QVERIFY(window.findChild<QToolBar*>(QStringLiteral("Korvalinx")) == nullptr ||
            !window.findChild<QToolBar*>(QStringLiteral("Korvalinx"))->isVisibleTo(&window) ||
            window.findChild<QToolBar*>(QStringLiteral("Korvalinx"))->actions().isEmpty());
  }

  void EachWindowKeepsItsOwnCaption() {
    // Qt appends a display name to every caption ("Korvalinx Assistent — Korvalinx Planer"):
    // the program sets none, and the host's own title names it.
    desktop::PrepareApplication(*qApp);
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    QVERIFY(!qApp->windowIcon().isNull());
  }

  void TheAddInIsRegisteredOnceToLoadAtStartup() {
    MemoryRegistryStore store;
    QVERIFY(desktop::RegisterAddIn(store));
    const std::string key = std::string(desktop::kAddInsKey) + "\\Korvalinx.Connect";
    QCOMPARE(GetRegString(store, HKEY_CURRENT_USER, key, "FriendlyName"), std::string("Korvalinx"));
    QCOMPARE(GetRegString(store, HKEY_CURRENT_USER, key, "Description"),
             std::string("COM Addin zur Erstellung von Ressourcendiagrammen und Urlaubsplänen."));
    // A user who set it not to load keeps that.
    RegValue off;
    off.type = REG_DWORD;
    off.number = 0;
    store.Write(HKEY_CURRENT_USER, key, "LoadBehavior", off);
    QVERIFY(!desktop::RegisterAddIn(store));
  }
};

QTEST_MAIN(HostWindowTest)
#include "host_window_test.moc"
