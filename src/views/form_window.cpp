#include "views/form_window.hpp"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <cmath>

#include "support/date.hpp"
#include "views/qt_text.hpp"

namespace kx::views {

using forms::Control;
using forms::ControlKind;
using forms::Property;

namespace {

std::map<const forms::Form*, FormWindow*>& Windows() {
  static std::map<const forms::Form*, FormWindow*> windows;
  return windows;
}

// A picture drawn by the form's look.
class PictureWidget final : public QWidget {
 public:
  PictureWidget(const Control& control, const FormLook& look, QWidget* parent)
      : QWidget(parent), control_(control), look_(look) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    look_.PaintPicture(control_, painter, rect());
  }

 private:
  const Control& control_;
  const FormLook& look_;
};

// The date picker: Tab leaves it as it leaves every other control (the arrow keys move between
// day, month and year). A whole date may be typed over the selected text ("30.06.2025" or
// "1.7.2025"), as well as day, month and year one by one.
class DatePicker final : public QDateEdit {
 public:
  using QDateEdit::QDateEdit;

 protected:
  bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

  // Digits and points typed over the whole text are a date typed at once: shown as typed, taken
  // once the year has four digits, or when the user leaves the picker; anything else brings the
  // picker's date back.
  void keyPressEvent(QKeyEvent* event) override {
    const QString key = event->text();
    const bool dateKey =
        key.size() == 1 && (key.front().isDigit() || key.front() == QLatin1Char('.'));
    QLineEdit* edit = lineEdit();
    const bool wholeSelected = edit->hasSelectedText() && edit->selectedText() == edit->text();
    if (dateKey && (typing_ || wholeSelected)) {
      if (!typing_) typed_.clear();
      typing_ = true;
      if (typed_.size() < 10) typed_ += key;
      Show(typed_);
      if (Typed(typed_).isValid()) EndTyping();
      event->accept();
      return;
    }
    if (typing_ && event->key() == Qt::Key_Backspace) {
      typed_.chop(1);
      Show(typed_);
      event->accept();
      return;
    }
    if (typing_) EndTyping();
    QDateEdit::keyPressEvent(event);
  }

  void focusOutEvent(QFocusEvent* event) override {
    if (typing_) EndTyping();
    QDateEdit::focusOutEvent(event);
  }

 private:
  // "30.06.2025" or "1.7.2025": the year with its four digits.
  static QDate Typed(const QString& text) {
    static const QRegularExpression whole(QStringLiteral(R"(^\d{1,2}\.\d{1,2}\.\d{4}$)"));
    if (!whole.match(text).hasMatch()) return {};
    return QDate::fromString(text, QStringLiteral("d.M.yyyy"));
  }

  void Show(const QString& text) {
    const QSignalBlocker quiet(lineEdit());
    lineEdit()->setText(text);
    lineEdit()->setCursorPosition(static_cast<int>(text.size()));
  }

  void EndTyping() {
    typing_ = false;
    const QDate date = Typed(typed_);
    if (date.isValid() && date >= minimumDate() && date <= maximumDate()) setDate(date);
    Show(textFromDateTime(dateTime()));
  }

  bool typing_ = false;
  QString typed_;
};

QDate ToQDate(const kx::Value& value) {
  const auto date = ToDate(value);
  if (!date) return {};
  const CivilDate civil = ToCivil(*date);
  return QDate(civil.year, civil.month, civil.day);
}

QPixmap ToPixmap(const forms::Image& image) {
  // Pixels of the mask colour (the swatches' background) are transparent.
  constexpr forms::Rgb kMask{255, 0, 128};
  QImage picture(image.width, image.height, QImage::Format_ARGB32);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const forms::Rgb p = image.Pixel(x, y);
      picture.setPixel(x, y, p == kMask ? qRgba(0, 0, 0, 0) : qRgb(p.red, p.green, p.blue));
    }
  }
  return QPixmap::fromImage(picture);
}

bool IsSeparator(const Control& control) {
  return control.Kind() == ControlKind::Line ||
         (control.Kind() == ControlKind::Frame && Pixels(control.Height()) <= 2);
}

}  // namespace

int Pixels(int twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

void FormLook::PaintPicture(const Control&, QPainter&, const QRect&) const {}
QIcon FormLook::ButtonIcon(const Control&) const {
  return {};
}
void FormLook::Decorate(const Control&, QWidget&) const {}

// ---------------------------------------------------------------------------------------------

FormWindow::FormWindow(forms::Form& form, std::unique_ptr<FormLook> look, QWidget* parent)
    : QDialog(parent), form_(form), look_(look ? std::move(look) : std::make_unique<FormLook>()) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setMouseTracking(true);
  setObjectName(ToQt(form.Name()));
  Build();
  Windows()[&form_] = this;
  subscription_ = form_.Subscribe(
      [this](const Control* control, Property property) { Changed(control, property); });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (applying_ > 0 || now == nullptr || now->window() != this) return;
    Control* control = ControlOf(now);
    if (control == nullptr || control->HasFocus() || !control->Supports(Property::Focus)) return;
    Forward([control] { control->SetFocus(); });
  });
}

FormWindow::~FormWindow() {
  form_.Unsubscribe(subscription_);
  auto& windows = Windows();
  const auto it = windows.find(&form_);
  if (it != windows.end() && it->second == this) windows.erase(it);
}

FormWindow* FormWindow::Of(const forms::Form& form) {
  const auto it = Windows().find(&form);
  return it == Windows().end() ? nullptr : it->second;
}

QWidget* FormWindow::WidgetOf(const Control& control) const {
  const auto it = widgets_.find(&control);
  return it == widgets_.end() ? nullptr : it->second;
}

QWidget* FormWindow::WidgetOf(std::string_view name) const {
  const Control* control = form_.Find(name);
  return control != nullptr ? WidgetOf(*control) : nullptr;
}

Control* FormWindow::ControlOf(const QObject* widget) const {
  for (const QObject* o = widget; o != nullptr && o != this; o = o->parent()) {
    const auto it = controls_.find(o);
    if (it != controls_.end()) return it->second;
  }
  return nullptr;
}

void FormWindow::Build() {
  ++applying_;
  setWindowTitle(ToQt(form_.Caption()));
  setFixedSize(Pixels(form_.Width()), Pixels(form_.Height()));
  for (Control* control : form_.Controls()) {
    QWidget* parent = this;
    if (control->Container() != nullptr) {
      if (QWidget* frame = WidgetOf(*control->Container())) parent = frame;
    }
    QWidget* widget = Create(*control, parent);
    if (widget == nullptr) continue;
    widget->setObjectName(ToQt(control->Name()));
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    widgets_[control] = widget;
    controls_[widget] = control;
    look_->Decorate(*control, *widget);
    Connect(*control, widget);
    ApplyAll(*control);
  }
  --applying_;
}

QWidget* FormWindow::Create(Control& control, QWidget* parent) {
  switch (control.Kind()) {
    case ControlKind::Button: {
      auto* button = new QPushButton(parent);
      button->setAutoDefault(false);
      const QIcon icon = look_->ButtonIcon(control);
      if (!icon.isNull()) button->setIcon(icon);
      return button;
    }
    case ControlKind::OptionButton: {
      auto* option = new QRadioButton(parent);
      option->setAutoExclusive(false);  // the model switches the others of its group off
      return option;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(parent);
    case ControlKind::ListBox:
      return new QListWidget(parent);
    case ControlKind::ComboBox:
    case ControlKind::ImageCombo: {
      auto* list = new QComboBox(parent);
      list->setEditable(false);
      list->setIconSize(QSize(16, 16));
      // A list of 66 years opens as a list of 15 rows that scrolls, not as a column the height
      // of the screen (the style's own popup would ignore the number of rows).
      list->setMaxVisibleItems(15);
      list->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
      return list;
    }
    case ControlKind::Label: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::Frame:
    case ControlKind::Line: {
      auto* frame = new QFrame(parent);
      if (IsSeparator(control)) {
        frame->setFrameShape(QFrame::HLine);
        frame->setFrameShadow(QFrame::Sunken);
      } else {
        frame->setFrameShape(QFrame::NoFrame);
      }
      return frame;
    }
    case ControlKind::TextBox:
      return new QLineEdit(parent);
    case ControlKind::DatePicker: {
      auto* picker = new DatePicker(parent);
      picker->setCalendarPopup(true);
      picker->setLocale(QLocale(QLocale::German, QLocale::Germany));
      picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
      picker->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
      return picker;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 100);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::Image:
      return new PictureWidget(control, *look_, parent);
    case ControlKind::ImageList:
      return nullptr;
  }
  return nullptr;
}

void FormWindow::Connect(Control& control, QWidget* widget) {
  Control* c = &control;
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    connect(button, &QPushButton::clicked, this, [this, c] { Forward([c] { c->Click(); }); });
  } else if (auto* option = qobject_cast<QAbstractButton*>(widget)) {
    // Options and check boxes: Qt has already flipped the mark; the model decides what it shows.
    connect(option, &QAbstractButton::clicked, this, [this, c] {
      Forward([c] { c->Click(); });
      if (WidgetOf(*c) != nullptr) Apply(*c, Property::Value);
    });
  } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
    connect(list, &QComboBox::activated, this, [this, c](int index) {
      Forward([c, index] { c->Pick(index); });
      if (WidgetOf(*c) != nullptr) Apply(*c, Property::ListIndex);
    });
  } else if (auto* items = qobject_cast<QListWidget*>(widget)) {
    connect(items, &QListWidget::currentRowChanged, this, [this, c](int row) {
      if (applying_ > 0 || row < 0) return;
      Forward([c, row] { c->Pick(row); });
    });
  } else if (auto* text = qobject_cast<QLineEdit*>(widget)) {
    connect(text, &QLineEdit::textEdited, this,
            [this, c](const QString& typed) { Forward([c, typed] { c->Type(FromQt(typed)); }); });
  } else if (auto* picker = qobject_cast<QDateEdit*>(widget)) {
    connect(picker, &QDateEdit::dateChanged, this, [this, c](QDate date) {
      if (applying_ > 0 || !date.isValid()) return;
      Forward([c, date] {
        if (c->EffectivelyEnabled()) c->SetValue(kx::Value(DateSerial(date.year(), date.month(), date.day())));
      });
    });
  }
}

// ---------------------------------------------------------------------------------------------
// Model to window

void FormWindow::Changed(const Control* control, Property property) {
  ++applying_;
  if (control == nullptr) {
    ApplyForm(property);
  } else if (property == Property::Repaint) {
    Repaint(*control);
  } else {
    Apply(*control, property);
  }
  --applying_;
}

void FormWindow::ApplyForm(Property property) {
  switch (property) {
    case Property::Caption:
      setWindowTitle(ToQt(form_.Caption()));
      break;
    case Property::Width:
    case Property::Height:
      setFixedSize(Pixels(form_.Width()), Pixels(form_.Height()));
      break;
    case Property::Visible:
    case Property::Loaded:
      if (!form_.Visible() || !form_.Loaded()) Finish();
      break;
    default:
      break;
  }
}

void FormWindow::ApplyAll(const Control& control) {
  for (Property p : {Property::Left, Property::Enabled, Property::Visible}) Apply(control, p);
  for (Property p : {Property::Caption, Property::ToolTip, Property::TabStop, Property::Items,
                     Property::ImageList, Property::Value, Property::Text, Property::FontUnderline}) {
    if (control.Supports(p)) Apply(control, p);
  }
}

void FormWindow::Apply(const Control& control, Property property) {
  QWidget* widget = WidgetOf(control);
  if (widget == nullptr) return;
  ++applying_;
  try {
    ApplyTo(*widget, control, property);
  } catch (...) {
    // A property the model cannot give now keeps what the widget shows.
  }
  --applying_;
}

void FormWindow::ApplyTo(QWidget& target, const Control& control, Property property) {
  QWidget* widget = &target;
  const QSignalBlocker quiet(widget);
  switch (property) {
    case Property::Left:
    case Property::Top:
    case Property::Width:
    case Property::Height:
      widget->setGeometry(Pixels(control.Left()), Pixels(control.Top()), Pixels(control.Width()),
                          Pixels(control.Height()));
      stale_.insert(widget->parentWidget() != nullptr ? widget->parentWidget() : widget);
      break;
    case Property::Visible:
      widget->setVisible(control.Visible());
      stale_.insert(widget->parentWidget() != nullptr ? widget->parentWidget() : widget);
      break;
    case Property::Enabled:
      widget->setEnabled(control.Enabled());
      stale_.insert(widget);
      break;
    case Property::Caption:
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(ToQt(control.Caption()));
      } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(DisplayText(control.Caption()));
      }
      stale_.insert(widget);
      break;
    case Property::ToolTip:
      widget->setToolTip(control.ToolTip().empty() ? QString()
                                                   : DisplayText(control.ToolTip()).toHtmlEscaped());
      break;
    case Property::TabStop:
      if (control.Supports(Property::TabStop)) {
        widget->setFocusPolicy(control.TabStop() ? Qt::StrongFocus : Qt::ClickFocus);
      }
      break;
    case Property::FontUnderline: {
      QFont font = widget->font();
      font.setUnderline(control.FontUnderline());
      widget->setFont(font);
      stale_.insert(widget);
      break;
    }
    case Property::Value:
      if (control.Kind() == ControlKind::OptionButton) {
        static_cast<QAbstractButton*>(widget)->setChecked(control.IsOn());
      } else if (control.Kind() == ControlKind::CheckBox) {
        auto* check = static_cast<QCheckBox*>(widget);
        const int v = control.CheckValue();
        check->setTristate(v == forms::kGrayed);
        check->setCheckState(v == forms::kChecked  ? Qt::Checked
                             : v == forms::kGrayed ? Qt::PartiallyChecked
                                                   : Qt::Unchecked);
      } else if (control.Kind() == ControlKind::ProgressBar) {
        static_cast<QProgressBar*>(widget)->setValue(static_cast<int>(std::lround(control.BarValue())));
      } else if (control.Kind() == ControlKind::DatePicker) {
        const QDate date = ToQDate(control.Value());
        if (date.isValid()) static_cast<QDateEdit*>(widget)->setDate(date);
      }
      stale_.insert(widget);
      break;
    case Property::Text:
    case Property::ListIndex:
      if (auto* text = qobject_cast<QLineEdit*>(widget)) {
        const QString shown = ToQt(control.Text());
        if (text->text() != shown) text->setText(shown);
      } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
        if (list->count() != control.ListCount()) FillList(control);
        list->setCurrentIndex(control.ListIndex());
        // A text that is no item of the list still shows.
        list->setPlaceholderText(control.ListIndex() < 0 ? ToQt(control.Text()) : QString());
      } else if (auto* items = qobject_cast<QListWidget*>(widget)) {
        items->setCurrentRow(control.ListIndex());
      }
      stale_.insert(widget);
      break;
    case Property::Items:
    case Property::ImageList:
      FillList(control);
      stale_.insert(widget);
      break;
    case Property::SelStart:
    case Property::SelLength:
      if (auto* text = qobject_cast<QLineEdit*>(widget)) {
        if (control.SelLength() > 0) {
          text->setSelection(control.SelStart(), control.SelLength());
        } else {
          text->deselect();
          text->setCursorPosition(control.SelStart());
        }
      }
      break;
    case Property::Focus:
      if (control.HasFocus() && widget->isVisible() && focusWidget() != widget) {
        widget->setFocus(Qt::TabFocusReason);
      }
      break;
    default:
      break;
  }
}

void FormWindow::FillList(const Control& control) {
  QWidget* widget = WidgetOf(control);
  if (auto* items = qobject_cast<QListWidget*>(widget)) {
    const QSignalBlocker quiet(items);
    items->clear();
    for (const auto& item : control.Items()) items->addItem(ToQt(item.text));
    items->setCurrentRow(control.ListIndex());
    return;
  }
  auto* list = qobject_cast<QComboBox*>(widget);
  if (list == nullptr) return;
  const QSignalBlocker quiet(list);
  list->clear();
  const Control* images = nullptr;
  if (control.Supports(Property::ImageList) && !control.ImageList().empty()) {
    images = form_.Find(control.ImageList());
  }
  for (const auto& item : control.Items()) {
    QIcon icon;
    if (images != nullptr && !item.imageKey.empty()) {
      for (const auto& image : images->Images()) {
        if (image.key == item.imageKey) icon = QIcon(ToPixmap(image.picture));
      }
    }
    list->addItem(icon, ToQt(item.text));
  }
  list->setCurrentIndex(control.ListIndex());
  list->setPlaceholderText(control.ListIndex() < 0 ? ToQt(control.Text()) : QString());
}

void FormWindow::Repaint(const Control& control) {
  // The run keeps the thread: draw what changed, then the control, before returning to it.
  std::set<QWidget*> stale;
  stale.swap(stale_);
  for (QWidget* widget : stale) {
    if (widget->isVisible()) widget->repaint();
  }
  if (QWidget* widget = WidgetOf(control); widget != nullptr && widget->isVisible()) {
    widget->repaint();
  }
}

void FormWindow::ShowFocus() {
  const Control* active = form_.ActiveControl();
  if (active == nullptr) return;
  if (QWidget* widget = WidgetOf(*active)) {
    ++applying_;
    widget->setFocus(Qt::TabFocusReason);
    --applying_;
  }
}

// ---------------------------------------------------------------------------------------------
// Window to model

void FormWindow::Forward(const std::function<void()>& action) {
  ++busy_;
  try {
    action();
  } catch (...) {
    // The model's handlers pass their own failures over; nothing else is left to do here.
  }
  --busy_;
}

bool FormWindow::Inside(const Control& control) const {
  const QWidget* widget = WidgetOf(control);
  if (widget == nullptr || !widget->isVisibleTo(this)) return false;
  const QRect area(widget->mapTo(this, QPoint(0, 0)), widget->size());
  return rect().intersects(area);
}

std::vector<Control*> FormWindow::TabChain() const {
  std::vector<Control*> chain;
  for (Control* c : form_.TabOrder()) {
    if (!c->Supports(Property::TabStop) || !c->TabStop()) continue;
    if (!c->EffectivelyEnabled() || !c->EffectivelyVisible() || !Inside(*c)) continue;
    chain.push_back(c);
  }
  return chain;
}

bool FormWindow::focusNextPrevChild(bool next) {
  const std::vector<Control*> chain = TabChain();
  if (chain.empty()) return true;
  const auto at = std::find(chain.begin(), chain.end(), form_.ActiveControl());
  std::size_t to = 0;
  if (at == chain.end()) {
    to = next ? 0 : chain.size() - 1;
  } else {
    const std::size_t from = static_cast<std::size_t>(at - chain.begin());
    to = next ? (from + 1) % chain.size() : (from + chain.size() - 1) % chain.size();
  }
  Control* target = chain[to];
  Forward([target] { target->SetFocus(); });
  return true;
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseMove) {
    Control* control = ControlOf(watched);
    if (control != nullptr) Forward([control] { control->MouseMove(); });
    // A move over a control is the control's alone: the form's background does not hear of it.
    if (control != nullptr && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
      return true;
    }
  } else if (type == QEvent::KeyPress) {
    // Enter on a focused button clicks it, as the space bar does.
    auto* key = static_cast<QKeyEvent*>(event);
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button != nullptr && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        key->modifiers() == Qt::NoModifier) {
      button->click();
      return true;
    }
  } else if (type == QEvent::MouseButtonRelease) {
    // Labels and pictures take clicks too; the other controls report their own.
    Control* control = ControlOf(watched);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (control != nullptr && mouse->button() == Qt::LeftButton &&
        (control->Kind() == ControlKind::Label || control->Kind() == ControlKind::Image) &&
        static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
      Forward([control] { control->Click(); });
    }
  }
  return QDialog::eventFilter(watched, event);
}

void FormWindow::mouseMoveEvent(QMouseEvent* event) {
  Forward([this] { form_.MouseMove(); });
  QDialog::mouseMoveEvent(event);
}

void FormWindow::RunModal() {
  if (!form_.Visible() || !form_.Loaded()) return;
  running_ = true;
  exec();
  running_ = false;
}

void FormWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ShowFocus();
}

void FormWindow::Finish() {
  if (isVisible()) done(QDialog::Rejected);
}

void FormWindow::closeEvent(QCloseEvent* event) {
  // The chart run cannot be broken off by closing the window.
  if (Busy()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void FormWindow::reject() {
  if (!Busy()) QDialog::reject();
}

}  // namespace kx::views
