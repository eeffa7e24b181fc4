// The wizard as a window on the offscreen platform, driven by clicks and keys as a person would:
// each step's widgets, the keyboard's tab order, the checks' messages, the information dialog
// and a whole chart from "Speichern..." through the save dialog to "Fertig". With KX_SHOTS_DIR
// set, the windows are saved there as pictures.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "desktop/desktop.hpp"
#include "support/clock.hpp"
#include "support/registry.hpp"
#include "views/file_dialogs.hpp"
#include "views/german.hpp"
#include "views/message_boxes.hpp"
#include "views/qt_text.hpp"
#include "wizard/wizard.hpp"

using namespace kx;         // NOLINT(google-build-using-namespace)
using namespace kx::views;  // NOLINT(google-build-using-namespace)
using kx::wizard::KorvalinxWizard;

namespace {

class RecordingLinks final : public LinkOpener {
 public:
  QStringList opened;
  void Open(const std::string& address) override { opened << ToQt(address); }
};

template <class T>
T* Widget(FormWindow& window, const char* name) {
  auto* widget = qobject_cast<T*>(window.WidgetOf(name));
  if (widget == nullptr) qWarning("no widget %s", name);
  return widget;
}

void Shot(QWidget& widget, const QString& name) {
  const QString folder = qEnvironmentVariable("KX_SHOTS_DIR");
  if (!folder.isEmpty()) widget.grab().save(folder + QLatin1Char('/') + name + ".png");
}

// Clicks a control where a person would: options and check boxes on their mark.
void Click(FormWindow& window, const char* name) {
  QWidget* widget = window.WidgetOf(name);
  QVERIFY2(widget != nullptr, name);
  const bool marked = qobject_cast<QRadioButton*>(widget) || qobject_cast<QCheckBox*>(widget);
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier,
                    marked ? QPoint(7, widget->height() / 2) : widget->rect().center());
}

// Presses `key` on the widget that has the keyboard focus in `window` (the window comes back to
// the front first when a dialog over it has just closed).
void Key(QWidget& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  if (QApplication::activeWindow() != &window) {
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr || target->window() != &window) target = &window;
  QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

QString Focused(const FormWindow& window) {
  const forms::Control* active = window.Model().ActiveControl();
  return active != nullptr ? ToQt(active->Name()) : QString();
}

// Presses `key` `count` times and returns the control that has the focus after each press.
QStringList Walk(FormWindow& window, int key, int count) {
  QStringList names;
  for (int i = 0; i < count; ++i) {
    Key(window, key);
    names << Focused(window);
    // The model's focus and Qt's agree.
    const forms::Control* shown = window.ControlOf(QApplication::focusWidget());
    if (shown == nullptr || ToQt(shown->Name()) != names.back()) names.back() += "(Qt anders)";
  }
  return names;
}

// Checks that every label and button shown in the window holds its German text uncut: wrapped
// lines need no more height than the label has, a caption no more width than its button.
void TextFits(FormWindow& window) {
  for (auto* label : window.findChildren<QLabel*>()) {
    if (!label->isVisibleTo(&window) || window.ControlOf(label) == nullptr) continue;
    const int needed = label->wordWrap() ? label->heightForWidth(label->width())
                                         : label->sizeHint().height();
    QVERIFY2(needed <= label->height() + 1, qPrintable(label->objectName() + ": " + label->text()));
    for (const QString& word : label->text().split(QRegularExpression(QStringLiteral("\\s+")))) {
      QVERIFY2(label->fontMetrics().horizontalAdvance(word) <= label->width(), qPrintable(word));
    }
  }
  for (auto* button : window.findChildren<QAbstractButton*>()) {
    if (!button->isVisibleTo(&window) || window.ControlOf(button) == nullptr) continue;
    if (button->text().isEmpty()) continue;  // a picture button
    // Push buttons need room for their frame, options and check boxes for their mark.
    const int around = qobject_cast<QPushButton*>(button) != nullptr ? 8 : 24;
    QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + around <= button->width(),
             qPrintable(button->text()));
  }
}

// Runs `act` on the next modal window other than `except` once it is shown; closes it if `act`
// left it open, so that a failed check does not hang the test.
void OnNextModal(QWidget* except, std::function<void(QWidget&)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, except, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == except || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(*modal);
    if (modal->isVisible()) {
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
  });
  timer->start();
}

}  // namespace

class WizardWindowTest : public QObject {
  Q_OBJECT

 private:
  using Script = std::function<void(FormWindow&, KorvalinxWizard&)>;

  // Opens a copy of the example project and runs `script` as the wizard's user; returns the
  // program's exit code. A script that leaves the wizard open has it closed afterwards.
  int Run(Script script) {
    presenter_.onShown = [this, script](FormWindow& window) {
      window.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&window));
      script(window, dynamic_cast<KorvalinxWizard&>(window.Model()));
      if (window.isVisible()) window.reject();
    };
    desktop::DesktopServices services{&boxes_, &dialogs_, &clock_, &registry_, &presenter_, &info_};
    return desktop::RunWizard(source_, services);
  }

  std::string Chart(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }

  // Types a chart path into step 1.
  void TypePath(FormWindow& window, const char* name) {
    auto* path = Widget<QLineEdit>(window, "txtChartPath");
    QTest::keyClicks(path, ToQt(Chart(name)));
  }

  QTemporaryDir dir_;
  std::string source_;
  NoWaitClock clock_;
  MemoryRegistryStore registry_;
  QtMessageBoxes boxes_;
  QtFileDialogs dialogs_;
  RecordingLinks links_;
  WizardPresenter presenter_;
  InfoPresenterQt info_{links_};

 private slots:
  void initTestCase() {
    QVERIFY(UseGerman(*qApp).translated);
    QVERIFY(dir_.isValid());
    source_ = (dir_.path() + "/neubau.xml").toStdString();
    QVERIFY(QFile::copy(KX_EXAMPLES_DIR "/neubau_buerogebaeude.xml", ToQt(source_)));
    // The inserted project beside it.
    QVERIFY(QFile::copy(KX_EXAMPLES_DIR "/aussenanlagen.xml", dir_.path() + "/aussenanlagen.xml"));
  }

  void stepsShowTheModelsCaptionsAndStates() {
    Run([&](FormWindow& w, KorvalinxWizard& m) {
      QCOMPARE(w.windowTitle(), QStringLiteral("Korvalinx Assistent"));
      QCOMPARE(w.size(), QSize(740, 512));
      QCOMPARE(Focused(w), QStringLiteral("cmdNext"));
      QVERIFY(!Widget<QPushButton>(w, "cmdBack")->isEnabled());
      TypePath(w, "Schritte.mpp");
      QCOMPARE(m.txtChartPath.Text(), Chart("Schritte.mpp"));

      for (int step = 1; step <= forms::kStepCount; ++step) {
        // Only this step's frame stands in the window, at the model's place.
        for (int s = 1; s <= forms::kStepCount; ++s) {
          const QRect frame = w.WidgetOf(m.StepFrame(s))->geometry();
          QCOMPARE(frame.intersects(w.rect()), s == step);
          if (s == step) QCOMPARE(frame, QRect(24, 128, 692, 296));
        }
        for (forms::Control* c : m.ControlsIn(m.StepFrame(step))) {
          QWidget* widget = w.WidgetOf(*c);
          QVERIFY(widget != nullptr);
          QCOMPARE(widget->isEnabled(), c->Enabled());
          QCOMPARE(widget->toolTip().isEmpty(), c->ToolTip().empty());
          if (auto* label = qobject_cast<QLabel*>(widget)) {
            QCOMPARE(label->text(), DisplayText(c->Caption()));
          } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QCOMPARE(button->text(), ToQt(c->Caption()));
          }
        }
        QCOMPARE(Widget<QPushButton>(w, "cmdBack")->isEnabled(), step != 1);
        QCOMPARE(Widget<QPushButton>(w, "cmdNext")->isEnabled(), step != 7);
        if (step == 2) {
          Click(w, "optPlan(1)");
          QVERIFY(Widget<QRadioButton>(w, "optPlan(1)")->isChecked());
          QVERIFY(!Widget<QRadioButton>(w, "optPlan(0)")->isChecked());
          QVERIFY(Widget<QRadioButton>(w, "optCalendar(0)")->isEnabled());
          Click(w, "optCalendar(1)");
          QVERIFY(Widget<QComboBox>(w, "cboCalendar")->isEnabled());
          QCOMPARE(Widget<QComboBox>(w, "cboCalendar")->currentText(), ToQt(m.cboCalendar.Text()));
          Click(w, "optPlan(0)");
          QVERIFY(!Widget<QRadioButton>(w, "optCalendar(1)")->isEnabled());
          QVERIFY(!Widget<QComboBox>(w, "cboCalendar")->isEnabled());
        } else if (step == 3) {
          Click(w, "optDate(2)");
          auto* from = Widget<QDateEdit>(w, "dtpDateFrom");
          QVERIFY(from->isEnabled());
          QVERIFY(from->calendarPopup());
          QCOMPARE(from->displayFormat(), QStringLiteral("dd.MM.yyyy"));
          QCOMPARE(from->locale().language(), QLocale::German);
          QVERIFY(!Widget<QComboBox>(w, "cboYear")->isEnabled());
          Click(w, "optDate(1)");
          auto* year = Widget<QComboBox>(w, "cboYear");
          QCOMPARE(year->count(), 66);
          QCOMPARE(year->itemText(0), QStringLiteral("1984"));
          year->setFocus();
          Key(w, Qt::Key_Down);
          QCOMPARE(ToQt(m.cboYear.Text()), year->currentText());
          // The open list shows at most 15 years, whatever the style would do.
          year->showPopup();
          QVERIFY(year->view()->isVisible());
          const int rowHeight = year->view()->sizeHintForRow(0);
          QVERIFY2(year->view()->window()->height() <= 16 * rowHeight,
                   qPrintable(QString::number(year->view()->window()->height())));
          year->hidePopup();
        } else if (step == 5) {
          Click(w, "optColor(0)");
          auto* colours = Widget<QComboBox>(w, "imcColor");
          QVERIFY(colours->isEnabled());
          QCOMPARE(colours->count(), 17);
          QCOMPARE(colours->itemText(0), QStringLiteral("Automatisch"));
          QCOMPARE(colours->itemText(16), QStringLiteral("Silber"));
          const QImage red = colours->itemIcon(2).pixmap(16, 16).toImage();
          QCOMPARE(red.size(), QSize(16, 16));
          QCOMPARE(QColor(red.pixel(7, 7)), QColor(255, 0, 0));
          QCOMPARE(qAlpha(red.pixel(0, 0)), 0);  // the swatch's background is see-through
          Click(w, "optColor(1)");
          QVERIFY(!colours->isEnabled());
          Click(w, "optColor(0)");
        } else if (step == 6) {
          auto* group = Widget<QCheckBox>(w, "chkGroup");
          const bool grouped = group->isChecked();
          Click(w, "chkGroup");
          QCOMPARE(group->isChecked(), !grouped);
          QCOMPARE(m.chkGroup.CheckValue() == forms::kChecked, !grouped);
          QCOMPARE(Widget<QCheckBox>(w, "chkNull")->isEnabled(), !grouped);
        }
        TextFits(w);
        Shot(w, QStringLiteral("schritt-%1").arg(step));
        if (step < forms::kStepCount) Click(w, "cmdNext");
        QCOMPARE(m.CurrentStep(), std::min(step + 1, forms::kStepCount));
      }
      Click(w, "cmdCancel");
      QVERIFY(!w.isVisible());
    });
  }

  void tabWalksTheModelsOrder() {
    Run([&](FormWindow& w, KorvalinxWizard&) {
      const QStringList step1{"cmdFinish", "cmdSave", "cmdCancel", "cmdNext"};
      QCOMPARE(Walk(w, Qt::Key_Tab, 4), step1);
      QCOMPARE(Walk(w, Qt::Key_Backtab, 4),
               (QStringList{"cmdCancel", "cmdSave", "cmdFinish", "cmdNext"}));

      TypePath(w, "Tab.mpp");
      Click(w, "cmdNext");
      Click(w, "cmdBack");  // step 1 again, reached backwards: the path field joins in
      QCOMPARE(Focused(w), QStringLiteral("cmdNext"));
      QCOMPARE(Walk(w, Qt::Key_Tab, 5),
               (QStringList{"cmdFinish", "txtChartPath", "cmdSave", "cmdCancel", "cmdNext"}));

      Click(w, "cmdNext");
      Click(w, "cmdNext");
      Click(w, "optDate(1)");  // "Jahr": the year list takes part, the dates do not
      QCOMPARE(Focused(w), QStringLiteral("optDate(1)"));
      QCOMPARE(Walk(w, Qt::Key_Tab, 8),
               (QStringList{"optDate(2)", "cboYear", "cmdCancel", "cmdBack", "cmdNext",
                            "cmdFinish", "optDate(0)", "optDate(1)"}));
      QCOMPARE(Walk(w, Qt::Key_Backtab, 2), (QStringList{"optDate(0)", "cmdFinish"}));
      Click(w, "cmdNext");
      Click(w, "cmdBack");
      QCOMPARE(Walk(w, Qt::Key_Tab, 8),
               (QStringList{"cmdFinish", "optDate(0)", "optDate(1)", "cboYear", "optDate(2)",
                            "cmdCancel", "cmdBack", "cmdNext"}));
      QCOMPARE(Walk(w, Qt::Key_Backtab, 3), (QStringList{"cmdBack", "cmdCancel", "optDate(2)"}));

      Click(w, "cmdNext");
      Click(w, "cmdNext");
      Click(w, "optColor(0)");
      QCOMPARE(Walk(w, Qt::Key_Tab, 7),
               (QStringList{"optColor(1)", "imcColor", "cmdCancel", "cmdBack", "cmdNext",
                            "cmdFinish", "optColor(0)"}));
      Click(w, "cmdNext");
      Click(w, "cmdBack");
      QCOMPARE(Walk(w, Qt::Key_Tab, 7),
               (QStringList{"cmdFinish", "optColor(0)", "imcColor", "optColor(1)", "cmdCancel",
                            "cmdBack", "cmdNext"}));
      QCOMPARE(Walk(w, Qt::Key_Backtab, 4),
               (QStringList{"cmdBack", "cmdCancel", "optColor(1)", "imcColor"}));
      // The keyboard works the control it reached: the space bar switches the option on.
      Walk(w, Qt::Key_Backtab, 1);
      Key(w, Qt::Key_Tab);
      Key(w, Qt::Key_Tab);
      QCOMPARE(Focused(w), QStringLiteral("optColor(1)"));
      Key(w, Qt::Key_Space);
      QVERIFY(Widget<QRadioButton>(w, "optColor(1)")->isChecked());
      QVERIFY(!Widget<QComboBox>(w, "imcColor")->isEnabled());
    });
  }

  void checksShowTheirMessages() {
    Run([&](FormWindow& w, KorvalinxWizard& m) {
      QString text, title;
      QMessageBox::Icon icon = QMessageBox::NoIcon;
      QStringList buttons;
      const auto read = [&](QWidget& modal, const char* shot) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        QVERIFY(box != nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons.clear();
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        Shot(*box, shot);
        QTest::keyClick(box, Qt::Key_Return);
      };
      OnNextModal(&w, [&](QWidget& box) { read(box, "meldung-speicherort"); });
      Click(w, "cmdNext");
      QCOMPARE(text, QStringLiteral("Legen Sie den Speicherort des Diagramms fest.      "));
      QCOMPARE(title, QStringLiteral("Korvalinx Assistent"));
      QCOMPARE(icon, QMessageBox::Warning);
      QCOMPARE(buttons, QStringList{"OK"});
      QCOMPARE(m.CurrentStep(), 1);

      TypePath(w, "Meldung.mpp");
      Click(w, "cmdNext");
      Click(w, "cmdNext");
      Click(w, "optDate(2)");
      Widget<QDateEdit>(w, "dtpDateFrom")->setDate(QDate(2025, 6, 10));
      // A whole date typed over the selected text.
      auto* to = Widget<QDateEdit>(w, "dtpDateTo");
      to->setFocus();
      to->selectAll();
      QTest::keyClicks(to, QStringLiteral("01.06.2025"));
      QCOMPARE(m.dtpDateTo.DateValue(), DateSerial(2025, 6, 1));
      OnNextModal(&w, [&](QWidget& box) { read(box, "meldung-datum"); });
      Click(w, "cmdNext");
      QCOMPARE(text, QStringLiteral("Das Enddatum liegt vor dem Anfangsdatum.      \n"
                                    "Bitte wählen Sie ein späteres Enddatum."));
      QCOMPARE(title, QStringLiteral("Korvalinx"));
      QCOMPARE(m.CurrentStep(), 3);
    });
  }

  void informationDialogAndItsLink() {
    Run([&](FormWindow& w, KorvalinxWizard& m) {
      TypePath(w, "Info.mpp");
      Click(w, "cmdNext");
      bool shown = false;
      info_.onShown = [&](FormWindow& info) {
        shown = true;
        QCOMPARE(info.windowTitle(), QStringLiteral("Korvalinx Info"));
        TextFits(info);
        QCOMPARE(info.pos(), w.frameGeometry().topLeft() + QPoint(20, 20));
        QCOMPARE(Widget<QLabel>(info, "lblInfo1")->text(),
                 QStringLiteral("Korvalinx (Version 1.1.0024)"));
        QCOMPARE(Widget<QLabel>(info, "lblInfo6")->text(),
                 QStringLiteral("Eine Beschreibung dieses Addins finden Sie unter"));
        auto* ok = Widget<QPushButton>(info, "cmdOK");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(ok->toolTip(), QStringLiteral("Klicken Sie hier, um den Dialog zu verlassen."));

        auto* web = Widget<QLabel>(info, "lblWeb");
        QCOMPARE(web->cursor().shape(), Qt::PointingHandCursor);
        const auto move = [](QWidget* over, QPoint at) {
          QMouseEvent event(QEvent::MouseMove, at, over->mapToGlobal(at), Qt::NoButton,
                            Qt::NoButton, Qt::NoModifier);
          QApplication::sendEvent(over, &event);
        };
        QVERIFY(!web->font().underline());
        move(web, QPoint(5, 5));
        QVERIFY(web->font().underline());
        move(web, QPoint(30, 6));  // moving on within the link keeps it underlined
        QVERIFY(web->font().underline());
        Shot(info, "info");
        move(Widget<QLabel>(info, "lblInfo6"), QPoint(5, 5));  // another label: no change
        QVERIFY(web->font().underline());
        move(&info, QPoint(4, info.height() - 4));  // the dialog's background
        QVERIFY(!web->font().underline());

        QTest::mouseClick(web, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(links_.opened, QStringList{"http://www.korvalinx.de/assistent/"});
        Click(info, "cmdOK");
        QVERIFY(!info.isVisible());
      };
      Click(w, "cmdInfo");
      info_.onShown = nullptr;
      QVERIFY(shown);
      QVERIFY(w.isVisible());
      QCOMPARE(m.CurrentStep(), 2);
    });
  }

  void wholeChartByClicksAndKeys() {
    const std::string chart = Chart("Zeitplan");
    bool running = false;
    const int exitCode = Run([&](FormWindow& w, KorvalinxWizard& m) {
      // "Speichern..." by the keyboard, then the save dialog by the keyboard.
      Key(w, Qt::Key_Tab);
      Key(w, Qt::Key_Tab);
      QCOMPARE(Focused(w), QStringLiteral("cmdSave"));
      bool asked = false;
      OnNextModal(&w, [&](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        QVERIFY(dialog != nullptr);
        asked = true;
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Ressourcendiagramm speichern"));
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("xml"));
        QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("Projekte (*.xml)")});
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        QVERIFY(name->text().startsWith(QStringLiteral("Ressourcendiagramm für ")));
        // Qt's own words are German.
        QStringList words;
        for (auto* label : dialog->findChildren<QLabel*>()) words << label->text();
        for (auto* button : dialog->findChildren<QPushButton*>()) words << button->text();
        QVERIFY2(words.contains(QStringLiteral("Suchen in:")), qPrintable(words.join('|')));
        QVERIFY2(words.contains(QStringLiteral("Abbrechen")), qPrintable(words.join('|')));
        Shot(*dialog, "speichern-dialog");
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, ToQt(chart));
        // The first Return may only take the completion list's proposal, as it does for a person.
        QTest::keyClick(name, Qt::Key_Return);
        if (dialog->isVisible()) QTest::keyClick(name, Qt::Key_Return);
      });
      Key(w, Qt::Key_Space);
      QVERIFY(asked);
      QCOMPARE(ToQt(m.txtChartPath.Text()), ToQt(chart + ".xml"));

      Key(w, Qt::Key_Backtab);
      Key(w, Qt::Key_Backtab);
      QCOMPARE(Focused(w), QStringLiteral("cmdNext"));
      for (int step = 2; step <= 7; ++step) {
        Key(w, Qt::Key_Return);
        QCOMPARE(m.CurrentStep(), step);
      }
      QCOMPARE(Focused(w), QStringLiteral("cmdFinish"));

      // The run draws its progress itself; one picture of it on the way.
      const int watch = m.Subscribe([&](const forms::Control* c, forms::Property p) {
        if (running || c != &m.lblProgress || p != forms::Property::Repaint) return;
        if (m.barProgress.BarValue() < 40) return;
        running = true;
        auto* label = Widget<QLabel>(w, "lblProgress");
        QVERIFY(label->geometry().intersects(w.rect()));
        QCOMPARE(label->text(), ToQt(m.lblProgress.Caption()));
        QCOMPARE(Widget<QProgressBar>(w, "barProgress")->value(),
                 static_cast<int>(std::lround(m.barProgress.BarValue())));
        Shot(w, "lauf");
      });
      Key(w, Qt::Key_Return);
      m.Unsubscribe(watch);
      QVERIFY(running);

      auto* finish = Widget<QPushButton>(w, "cmdFinish");
      QCOMPARE(finish->text(), QStringLiteral("Fertig"));
      QVERIFY(finish->geometry().intersects(w.rect()));
      QVERIFY(!Widget<QPushButton>(w, "cmdNext")->geometry().intersects(w.rect()));
      QCOMPARE(Widget<QProgressBar>(w, "barProgress")->value(), 100);
      QVERIFY(Widget<QLabel>(w, "lblProgress")->text().endsWith(QStringLiteral("wurde erstellt.")));
      QCOMPARE(Focused(w), QStringLiteral("cmdFinish"));
      Shot(w, "fertig");
      Key(w, Qt::Key_Return);
      QVERIFY(!w.isVisible());
    });
    QCOMPARE(exitCode, desktop::kExitOk);
    QFile file(ToQt(chart + ".xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("<Project"));
  }

  void unreadableFileIsRefusedWithItsName() {
    QString text;
    OnNextModal(nullptr, [&](QWidget& modal) {
      text = qobject_cast<QMessageBox*>(&modal)->text();
      QTest::keyClick(&modal, Qt::Key_Return);
    });
    const std::string broken = (dir_.path() + "/kaputt.xml").toStdString();
    QFile file(ToQt(broken));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<Project><Name>");
    file.close();
    desktop::DesktopServices services{&boxes_, &dialogs_, &clock_, &registry_, &presenter_, &info_};
    QCOMPARE(desktop::RunWizard(broken, services), desktop::kExitBadInput);
    QVERIFY2(text.startsWith(ToQt("Die Projektdatei \"" + broken + "\" kann nicht gelesen werden:\n")),
             qPrintable(text));
  }
};

QTEST_MAIN(WizardWindowTest)
#include "wizard_window_test.moc"
